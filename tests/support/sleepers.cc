#include "support/sleepers.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace orvtest {

sleepers::~sleepers() {
  for (pid_t p : live_) {
    kill(p, SIGKILL);
    waitpid(p, nullptr, 0);
  }
}

pid_t sleepers::start(bool own_group) {
  pid_t p = fork();
  if (p == 0) {
    if (own_group) setpgid(0, 0);
    execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    _exit(127);
  }
  if (own_group) setpgid(p, p);
  live_.push_back(p);
  return p;
}

int sleepers::ended_by(pid_t p) {
  for (int i = 0; i < 500; i++) {
    int st;
    if (waitpid(p, &st, WNOHANG) == p) {
      std::erase(live_, p);
      return WIFSIGNALED(st) ? WTERMSIG(st) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

bool sleepers::still_running(pid_t p) {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return waitpid(p, nullptr, WNOHANG) == 0;
}

}  // namespace orvtest
