// A service directory served by the testbed's supervisor (tb-supervise)
// running the daemon stand-in (tb-daemon), for tests that act on a real
// daemon through the control tool or the front end.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace orvtest {

class supervised {
 public:
  // Starts a supervisor for dir whose daemon logs its signals to log, and
  // waits until the daemon runs.
  supervised(std::string dir, std::string log);
  // Tells the supervisor to leave (TERM) and reaps it.
  ~supervised();
  supervised(supervised const&) = delete;
  supervised& operator=(supervised const&) = delete;

  // The pid in the status record; 0 when it records none.
  std::int32_t recorded_pid() const;
  // Whether the daemon's log has the line "pid P <what>".
  bool logged(std::int32_t pid, std::string const& what) const;
  // The supervisor's own exit code once it has ended (within a few seconds),
  // or -1 when it still runs or was killed.
  int ended();
  pid_t supervisor() const { return pid_; }

 private:
  std::string dir_, log_;
  pid_t pid_ = -1;
};

// Polls cond every 10 ms for up to five seconds; whether it came true.
bool eventually(std::function<bool()> const& cond);

// Whether a process with that id still runs (a zombie does not).
bool alive(std::int32_t pid);

}  // namespace orvtest
