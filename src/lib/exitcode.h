// Exit codes of the library's own making. Every other exit status is a
// program's own (the front end's are in commands/exitcode.h), an outside
// tool's, or derived from a child's wait status.
#pragma once

enum exitcode : int {
  EXIT_OK = 0,
  EXIT_USAGE = 100,       // usage error or bad input
  EXIT_BAD_ARGV = 103,    // inconsistent argc/argv
  EXIT_SYSTEM = 111,      // failed system operation
  EXIT_CANNOT_RUN = 126,  // program found but cannot be started
  EXIT_NOT_FOUND = 127,   // program not found
};
