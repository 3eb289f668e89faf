// Exit codes of the programs' own making. Every other exit status is an
// outside tool's, or derived from a child's wait status.
#pragma once

enum exitcode : int {
  EXIT_OK = 0,
  EXIT_STATUS_FAILED = 1,       // a process status run failed
  EXIT_BAD_DATABASE = 4,        // invalid compiled database
  EXIT_USAGE = 100,             // usage error or bad input
  EXIT_HANDLER_RETURNED = 101,  // a command handler returned
  EXIT_BAD_ARGV = 103,          // inconsistent argc/argv
  EXIT_SYSTEM = 111,            // failed system operation
  EXIT_CANNOT_RUN = 126,        // program found but cannot be started
  EXIT_NOT_FOUND = 127,         // program not found
};
