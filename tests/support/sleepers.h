// Real processes for tests that send signals: sleeping children, and
// whether and how they ended. Whatever still runs is killed at scope end.
#pragma once

#include <sys/types.h>

#include <vector>

namespace orvtest {

class sleepers {
 public:
  sleepers() = default;
  ~sleepers();
  sleepers(sleepers const&) = delete;
  sleepers& operator=(sleepers const&) = delete;

  // A sleeping child; in a process group of its own when asked.
  pid_t start(bool own_group = false);
  // The signal that ended p within a few seconds (-1 for an exit), or 0
  // while it still runs.
  int ended_by(pid_t p);
  // Still running, after a pause long enough for a stray signal to land.
  bool still_running(pid_t p);

 private:
  std::vector<pid_t> live_;
};

}  // namespace orvtest
