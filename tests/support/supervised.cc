#include "support/supervised.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "support/run.h"
#include "testbed/common/svstatus_write.h"

namespace orvtest {

supervised::supervised(std::string dir, std::string log)
    : dir_(std::move(dir)), log_(std::move(log)) {
  std::string const prog = testbed_bin() + "/tb-supervise";
  std::string const path = "PATH=" + testbed_bin() + ":/usr/bin:/bin";
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    char* const argv[] = {const_cast<char*>(prog.c_str()), const_cast<char*>(dir_.c_str()),
                          const_cast<char*>("tb-daemon"), const_cast<char*>(log_.c_str()), nullptr};
    char* const env[] = {const_cast<char*>(path.c_str()), nullptr};
    execve(argv[0], argv, env);
    _exit(127);
  }
  if (!eventually([this] { return alive(recorded_pid()) && logged(recorded_pid(), "up"); }))
    throw std::runtime_error("the supervised daemon did not come up in " + dir_);
}

supervised::~supervised() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

std::int32_t supervised::recorded_pid() const {
  tbsv::record r;
  return tbsv::read(dir_, r) < 0 ? 0 : tbsv::pid32(r);
}

bool supervised::logged(std::int32_t pid, std::string const& what) const {
  std::string const line = "pid " + std::to_string(pid) + " " + what + "\n";
  return file_exists(log_) && read_file(log_).find(line) != std::string::npos;
}

int supervised::ended() {
  int ws = 0;
  if (pid_ <= 0 || !eventually([&] { return waitpid(pid_, &ws, WNOHANG) == pid_; })) return -1;
  pid_ = -1;
  return WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
}

bool eventually(std::function<bool()> const& cond) {
  for (int i = 0; i < 500; i++) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return cond();
}

bool alive(std::int32_t pid) {
  return tbsv::process_alive(pid);
}

}  // namespace orvtest
