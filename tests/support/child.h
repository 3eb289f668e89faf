// Test support: run a function in a forked child, with what it writes on
// standard output and standard error captured, and see how the child ended.
#pragma once

#include <functional>
#include <string>

namespace orvtest {

struct child_opts {
  char const* prog = "orvtest";  // PROG in the child; null leaves it as it is
  char const* cwd = nullptr;     // the child's working folder; null: inherit
  bool stdout_closed = false;    // standard output closed rather than captured
  int returned_code = 222;       // the child's exit code when the function returns
};

struct child_result {
  int wstat = 0;           // raw wait status
  int code = -1;           // exit code, or -1 when killed by a signal
  int signal = 0;          // signal that killed it, or 0
  bool returned = false;   // the function returned (rather than exiting or exec'ing)
  int returned_errno = 0;  // errno at that moment
  std::string out, err;
};

// Runs f in a forked child. Standard output and error go to files, so that
// outputs of any size, and those of a program f execs, are kept whole.
child_result in_child(std::function<void()> const& f, child_opts const& opts = {});

}  // namespace orvtest
