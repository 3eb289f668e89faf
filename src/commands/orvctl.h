// What the front end's files share: the configuration record, command
// tables and their dispatch, and the hand-off to outside tools. Each group
// of commands declares its handlers in its own header. Handlers take the
// null-terminated vector of the words after their command word and never
// return: each ends the process.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "lib/env.h"

struct globals_t {
  uint32_t verbosity;
  char const* scandir;
  char const* livedir;
  char const* repodir;
  char const* bootdb;
  char const* stmpdir;
  char const* storelist;
  uint32_t flags;
};

inline constexpr uint32_t GOLB_ISATTY = 2;  // standard output is a terminal
inline constexpr uint32_t GOLB_COLOR = 4;   // colour output wanted

// The configuration record, filled at start-up and read-only afterwards;
// until then the compiled-in defaults.
extern globals_t const* g;

// A command handler that returns ends the process with this code.
inline constexpr int EXIT_HANDLER_RETURNED = 101;

using command_handler = void (*)(char const* const* argv);

struct command {
  char const* name;
  command_handler handler;
};

// True when the table is in strictly ascending byte order, as the binary
// search of the dispatch needs. Tables prove it with static_assert.
constexpr bool commands_sorted(std::span<command const> t) {
  for (size_t i = 1; i < t.size(); i++)
    if (!(std::string_view(t[i - 1].name) < std::string_view(t[i].name))) return false;
  return true;
}

// Looks name up by binary search; null when absent.
command const* command_find(std::span<command const> table, char const* name);

// The common group dispatch: no option before the subcommand word ("--" is
// consumed), then the word is looked up; a missing or unknown word gives
// "usage: " and the group's usage text (exit 100); a handler that returns
// gives exit 101.
[[noreturn]] void kx_dispatch(char const* const* argv, std::span<command const> table,
                              char const* usage);

// Hand-off. The seven configuration variables never reach a tool.
[[noreturn]] void main_exec(char const* const* argv);
[[noreturn]] void main_pretty_exec(char const* const* argv);
// Starts argv[0] as a child; returns its pid, never 0 (dies with 127/126).
pid_t main_spawn(char const* const* argv);

// The seven configuration variables: the record's six paths in field order,
// then verbosity. kx_config_read fills slots[i] with the value of variable i
// from the environment (the first entry of a name wins, as with getenv) and
// leaves absent ones alone.
inline constexpr size_t KX_CONFIG_VARS = 7;
void kx_config_read(char const** slots);

// The process's environment without the configuration variables, as the
// hand-off gives it to tools. get() is null (errno ENOMEM) when the storage
// cannot be had.
struct kx_tool_env : env_merged {
  kx_tool_env();
};

// Depth-1 block encoding of argv[0..n-1], each element as " " [prefix "/"] elem.
// kx_equote_space gives the storage kx_equote needs; kx_equote fills out[0..n]
// (out[n] is the empty string) and returns n + 1.
size_t kx_equote_space(char const* const* argv, size_t n, char const* prefix);
size_t kx_equote(char const** out, char const* const* argv, size_t n, char const* prefix,
                 char* storage);

// The count of the operands in argv; dies with 100 and "usage: " usage
// when there are none.
size_t kx_operands(char const* const* argv, char const* usage);

// The value of a --timeout option in milliseconds, 0 when text is null.
// Dies with 100 and the group's wording when text is not a decimal number
// that fits 32 bits.
enum kx_timeout_form : unsigned {
  KX_TIMEOUT_LIVE,
  KX_TIMEOUT_SYSTEM,
  KX_TIMEOUT_PROCESS,
  KX_TIMEOUT_FORMS
};
uint32_t kx_timeout(char const* text, kx_timeout_form form);

// Writes text to standard output and flushes; dies with 111 and
// "unable to write to stdout" when that fails; exits 0 otherwise.
[[noreturn]] void kx_print_and_exit(char const* text);

// Whether a tool's vector gets "-v" and the verbosity: when verbosity is
// not 1 or always is set; vfmt, UINT64_FMT bytes, then holds the number.
bool kx_verbosity_fmt(char* vfmt, bool always);

// Starts a tool's vector (a chain of argv_fixed, or an argv_heap): its name,
// then "-v" and the verbosity as kx_verbosity_fmt decides. vfmt holds the
// number as long as the vector is used.
template <class V>
decltype(auto) kx_tool_head(V&& v, char const* tool, char* vfmt, bool always = false) {
  bool const show = kx_verbosity_fmt(vfmt, always);
  return std::forward<V>(v).add(tool).add_if(show, "-v", vfmt);
}

// The options of set check and repository check, which are the same, as
// both groups' help texts list them.
#define ORV_CHECK_OPTIONS_HELP                                                          \
  "  -E\t\t--no-force-essential\t\tdo not allow manual changes to essential services "  \
  "(default)\n"                                                                         \
  "  -e\t\t--force-essential\t\tallow manual changes to essential services\n"           \
  "  -F\t\t--fix\t\t\t\ttry to fix inconsistencies automatically\n"                     \
  "  -d\t\t--down\t\t\t\tfix by disabling or masking services if necessary (default)\n" \
  "  -u\t\t--up\t\t\t\tfix by enabling services if necessary\n"
