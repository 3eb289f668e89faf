// The front end's shared declarations: the configuration record, command
// tables and their dispatch, the hand-off to outside tools, and every
// command handler. Handlers take the null-terminated vector of the words
// after their command word and never return: each ends the process.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "lib/path.h"

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

// The configuration record, filled at start-up and read-only afterwards.
extern globals_t const* g;
// The compiled-in defaults.
extern globals_t const globals_defaults;

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

// The seven configuration variables, each name ended by a NUL, in the
// order of the configuration record's fields and then verbosity. Start-up
// reads them from the environment; as a modification block, the same bytes
// take them out of a tool's environment.
inline constexpr char kx_config_vars[] =
    "scandir\0livedir\0repodir\0bootdb\0stmpdir\0storelist\0verbosity";
inline constexpr size_t KX_CONFIG_VARS = 7;

// Depth-1 block encoding of argv[0..n-1], each element as " " [prefix "/"] elem.
// kx_equote_space gives the storage kx_equote needs; kx_equote fills out[0..n]
// (out[n] is the empty string) and returns n + 1.
size_t kx_equote_space(char const* const* argv, size_t n, char const* prefix);
size_t kx_equote(char const** out, char const* const* argv, size_t n, char const* prefix,
                 char* storage);

// The value of a --timeout option in milliseconds, 0 when text is null.
// Dies with 100 and the group's wording when text is not a decimal number
// that fits 32 bits.
enum kx_timeout_form : unsigned { KX_TIMEOUT_LIVE, KX_TIMEOUT_SYSTEM, KX_TIMEOUT_PROCESS, KX_TIMEOUT_FORMS };
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

// Top level.
void main_help(char const* const* argv);
void main_version(char const* const* argv);

// Groups.
void live(char const* const* argv);
void process(char const* const* argv);
void repository(char const* const* argv);
void set(char const* const* argv);
void orvsystem(char const* const* argv);

extern char const live_usage[];
extern char const process_usage[];
extern char const repository_usage[];
extern char const set_usage[];
extern char const orvsystem_usage[];

void live_help(char const* const* argv);
void live_install(char const* const* argv);
void live_restart(char const* const* argv);
void live_start(char const* const* argv);
void live_start_everything(char const* const* argv);
void live_status(char const* const* argv);
void live_stop(char const* const* argv);
void live_stop_everything(char const* const* argv);
// The body of live start (up 1) and stop (up 0): returns the exit code.
int live_startstop(char const* const* argv, int up);
// One run of "tuvo" over names, with both locks held: snapshots the state,
// spawns and waits for the tool, reports a failed run when verbosity is not
// 0, and returns the exit code (the tool's below 128, else 128; 128 + n for
// death by signal n). Dies on its own failures.
int run_tuvo_change(char const* const* names, size_t nnames, int up, unsigned dryrun,
                    uint32_t timeout, uint32_t statesize, char const* compiled);
// Prints on standard output that the global state has not changed, or the
// names of the atomic services whose up/down bit differs between the n-byte
// snapshots. Dies with 111 (read or write failure) or 4 (invalid database,
// or one whose service count is not n) on failure.
void kx_report_state_change(uint32_t n, char const* before, char const* after, char const* compiled,
                            int up);
// Execs "tuvo" to start bundle (timeout in ms, 0 for none; dryrun 0 or 1);
// shared with system boot.
[[noreturn]] void exec_live_start_everything(uint32_t timeout, unsigned dryrun, char const* bundle);

void process_help(char const* const* argv);
void process_kill(char const* const* argv);
void process_restart(char const* const* argv);
void process_start(char const* const* argv);
void process_status(char const* const* argv);
void process_stop(char const* const* argv);
// A service's entry in the scan directory, scandir "/" name: in storage of
// its own, or written at p (process_dir_len(name) bytes), returning the byte
// after its NUL.
struct process_dir : path_join {
  explicit process_dir(char const* name) : path_join(g->scandir, "/", name) {}
};
size_t process_dir_len(char const* name);
char* process_dir_put(char* p, char const* name);
// Dies unless every service has a directory in the scan directory.
void process_check_services(char const* const* services, size_t n);
// Hands the n services to "orv-send" with opts (and -T when timeout is not 0).
[[noreturn]] void process_send_svc(char const* opts, char const* const* services, size_t n,
                                   uint32_t timeout);

void repository_check(char const* const* argv);
void repository_help(char const* const* argv);
void repository_init(char const* const* argv);
void repository_list(char const* const* argv);
void repository_sync(char const* const* argv);

void set_check(char const* const* argv);
// "tuvo-set-fix" with set check's options, on set (null: every set).
[[noreturn]] void exec_set_fix(char const* const* argv, char const* set);
void set_commit(char const* const* argv);
void set_delete(char const* const* argv);
void set_disable(char const* const* argv);
void set_enable(char const* const* argv);
void set_help(char const* const* argv);
void set_list(char const* const* argv);
void set_load(char const* const* argv);
void set_make_essential(char const* const* argv);
void set_mask(char const* const* argv);
void set_save(char const* const* argv);
void set_status(char const* const* argv);
void set_unmask(char const* const* argv);
// Name checks of the set group (set.cc). A set name is valid when it does
// not begin with ".", has no "/" and no newline, and is not "current";
// service names follow the same rules except the last. 1 when all of the
// count names are valid (so also when count is 0).
bool set_check_set_name(char const* name);
int set_check_service_names(char const* const* names, size_t count);

void system_boot(char const* const* argv);
void system_halt(char const* const* argv);
void system_help(char const* const* argv);
void system_poweroff(char const* const* argv);
void system_reboot(char const* const* argv);
