// The front end's configuration record, and the command tables and their
// dispatch. Each group of commands declares its handlers in its own header.
// Handlers take the null-terminated vector of the words after their command
// word and never return: each ends the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

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

// The configuration variables: each is read from the environment and from
// the global option of the same name, and never reaches a tool. In this
// order: the record's paths, then verbosity (a number, read on its own).
// The slots of kx_config_read and of the global options follow this table.
struct kx_config_var {
  char const* name;
  char const* globals_t::*path;  // null for verbosity
  char letter;                   // the option's short letter, or '\0'
};
inline constexpr kx_config_var kx_config[] = {
    {"scandir", &globals_t::scandir, 's'}, {"livedir", &globals_t::livedir, 'l'},
    {"repodir", &globals_t::repodir, 'r'}, {"bootdb", &globals_t::bootdb, 'c'},
    {"stmpdir", &globals_t::stmpdir, 0},   {"storelist", &globals_t::storelist, 0},
    {"verbosity", nullptr, 'v'},
};
inline constexpr size_t KX_CONFIG_VARS = std::size(kx_config);

inline constexpr uint32_t GOLB_ISATTY = 2;  // standard output is a terminal
inline constexpr uint32_t GOLB_COLOR = 4;   // colour output wanted

// The configuration record, filled at start-up and read-only afterwards;
// until then the compiled-in defaults.
extern globals_t const* g;

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
