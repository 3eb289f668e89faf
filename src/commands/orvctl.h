// The front end's configuration record, and the command tables and their
// dispatch. Each group of commands declares its handlers in its own header.
// Handlers take the null-terminated vector of the words after their command
// word and never return: each ends the process.
#pragma once

#include <cstddef>
#include <cstdint>
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
