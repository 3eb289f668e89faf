// Shared by the chain-loading stand-ins: block decoding, descriptor moves,
// exec with diagnostics. Messages read "<tool>: <kind>: ..." on stderr.
#pragma once

#include <vector>

namespace tbchain {

// Decodes the block that starts at argv[start]: every element begins with a
// space (removed in the result), the block ends with the empty element.
// On success fills out (null-terminated, pointing into argv), sets *next to
// the index right after the terminator and returns true; false when the
// block is not terminated or an element lacks its leading space.
bool parse_block(char** argv, int start, std::vector<char*>& out, int* next);

// Reads a descriptor number: decimal digits only, at most 2^20.
bool parse_fd(char const* s, int* fd);

// Puts descriptor from on number to (closing from) and makes sure it survives exec.
// Returns 0, or -1 with errno set.
int move_fd(int from, int to);

[[noreturn]] void die_usage(char const* prog, char const* usage);
[[noreturn]] void die_sys(char const* prog, char const* what);
// Replaces the process with argv (searched in PATH); 127 when not found, 126 otherwise.
[[noreturn]] void exec_into(char const* prog, char* const* argv);
// Forks a child that execs argv; returns its pid or dies.
int spawn(char const* prog, char* const* argv);
// Waits for pid; returns its exit code, 128 + n when signal n killed it.
int wait_code(char const* prog, int pid);

}  // namespace tbchain
