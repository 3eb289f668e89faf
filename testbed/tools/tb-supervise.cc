// tb-supervise SERVICEDIR PROG...: a supervisor for one service directory, for
// the sandbox and the tests. Runs PROG as the service's daemon, keeps
// SERVICEDIR/supervise/status current (the daemon's pid while it runs; pid 0
// and its wait status once it has been reaped) and obeys the one-letter
// commands written to the fifo SERVICEDIR/supervise/control (orv-send does):
//   u      run the daemon if it does not run
//   U      the same, and from now on run it again whenever it dies
//   d      stop the daemon (TERM, then CONT) and leave it down
//   D      the same, and from now on leave it down whenever it dies
//   r      stop the daemon and run it again once it has died
//   h i q b k a t p c y 1 2   send HUP INT QUIT ABRT KILL ALRM TERM STOP CONT
//          WINCH USR1 USR2 to the daemon
// TERM, INT or HUP to the supervisor itself stop the daemon, wait for it and
// end the supervisor.
// A daemon that dies on its own is run again a second later when the standing
// state is up (as it is at the start), unless the last command was d or D.
// Exit 0 once told to end; 100 bad usage; 111 when the directory cannot be set up or
// another supervisor already serves it.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "svstatus_write.h"

namespace {

char const kUsage[] = "tb-supervise servicedir prog...";

int selfpipe[2] = {-1, -1};

[[noreturn]] void fatal(std::string const& what) {
  std::fprintf(stderr, "tb-supervise: fatal: unable to %s: %s\n", what.c_str(), strerror(errno));
  std::exit(111);
}

void on_signal(int sig) {
  int const saved = errno;
  unsigned char const b = static_cast<unsigned char>(sig);
  (void)!write(selfpipe[1], &b, 1);
  errno = saved;
}

int signal_of(char letter) {
  switch (letter) {
    case 'h':
      return SIGHUP;
    case 'i':
      return SIGINT;
    case 'q':
      return SIGQUIT;
    case 'b':
      return SIGABRT;
    case 'k':
      return SIGKILL;
    case 'a':
      return SIGALRM;
    case 't':
      return SIGTERM;
    case 'p':
      return SIGSTOP;
    case 'c':
      return SIGCONT;
    case 'y':
      return SIGWINCH;
    case '1':
      return SIGUSR1;
    case '2':
      return SIGUSR2;
    default:
      return 0;
  }
}

class supervisor {
 public:
  supervisor(std::string dir, char** prog) : dir_(std::move(dir)), prog_(prog) {}

  // Runs until told to leave; returns the exit code.
  int run() {
    start();
    for (;;) {
      pollfd fds[2] = {{selfpipe[0], POLLIN, 0}, {control_, POLLIN, 0}};
      int const wait_ms = pid_ == 0 && want_up_ && standing_up_ ? 1000 : -1;
      int const n = poll(fds, 2, wait_ms);
      if (n < 0 && errno != EINTR) fatal("poll");
      if (n == 0 && pid_ == 0 && want_up_ && standing_up_) start();  // the second is over
      if (n > 0 && (fds[0].revents & POLLIN)) {
        unsigned char sigs[64];
        ssize_t const got = read(selfpipe[0], sigs, sizeof sigs);
        for (ssize_t i = 0; i < got; ++i) {
          if (sigs[i] == SIGCHLD) {
            reap();
          } else {
            leaving_ = true;
          }
        }
      }
      if (n > 0 && (fds[1].revents & POLLIN)) {
        char letters[64];
        ssize_t const got = read(control_, letters, sizeof letters);
        for (ssize_t i = 0; i < got; ++i) obey(letters[i]);
      }
      if (leaving_) {
        want_up_ = false;
        if (pid_ == 0) return 0;
        if (!stopping_) stop();
      }
    }
  }

  void open_control() {
    std::string const sup = dir_ + "/supervise";
    if (mkdir(dir_.c_str(), 0755) < 0 && errno != EEXIST) fatal("mkdir " + dir_);
    if (mkdir(sup.c_str(), 0755) < 0 && errno != EEXIST) fatal("mkdir " + sup);
    std::string const fifo = sup + "/control";
    if (mkfifo(fifo.c_str(), 0600) < 0 && errno != EEXIST) fatal("mkfifo " + fifo);
    // A writer that gets in means some supervisor reads this fifo already.
    int const probe = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe >= 0) {
      close(probe);
      errno = EBUSY;
      fatal("supervise " + dir_);
    }
    control_ = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (control_ < 0) fatal("open " + fifo);
    // Held open so that the fifo never reports end of file between writers.
    if (open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC) < 0) fatal("open " + fifo);
  }

 private:
  void record(std::uint64_t pid, std::uint16_t wstat) {
    tbsv::record r;
    r.pid = pid;
    r.wstat = wstat;
    tbsv::stamp(r);
    if (tbsv::write(dir_, r) < 0) fatal("write " + tbsv::status_path(dir_));
  }

  void start() {
    if (pid_ != 0 || leaving_) return;
    pid_t const p = fork();
    if (p < 0) fatal("fork");
    if (p == 0) {
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      for (int sig : {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGPIPE}) signal(sig, SIG_DFL);
      execvp(prog_[0], prog_);
      std::fprintf(stderr, "tb-supervise: fatal: unable to exec %s: %s\n", prog_[0],
                   strerror(errno));
      _exit(errno == ENOENT ? 127 : 126);
    }
    pid_ = p;
    stopping_ = restart_ = false;
    record(static_cast<std::uint64_t>(p), 0);
  }

  void stop() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    kill(pid_, SIGCONT);
    stopping_ = true;
  }

  void reap() {
    int ws = 0;
    pid_t p;
    while ((p = waitpid(-1, &ws, WNOHANG)) > 0) {
      if (p != pid_) continue;
      pid_ = 0;
      stopping_ = false;
      record(0, static_cast<std::uint16_t>(ws & 0xffff));
      if (restart_) {
        restart_ = false;
        start();
      } else if (!standing_up_) {
        want_up_ = false;  // runs again only when told
      }
    }
  }

  void obey(char letter) {
    switch (letter) {
      case 'U':
        standing_up_ = true;
        [[fallthrough]];
      case 'u':
        want_up_ = true;
        start();
        break;
      case 'D':
        standing_up_ = false;
        [[fallthrough]];
      case 'd':
        want_up_ = false;
        restart_ = false;
        stop();
        break;
      case 'r':
        if (pid_ == 0) break;
        want_up_ = restart_ = true;
        stop();
        break;
      default:
        if (int const sig = signal_of(letter); sig && pid_ != 0) kill(pid_, sig);
        break;
    }
  }

  std::string dir_;
  char** prog_;
  int control_ = -1;
  pid_t pid_ = 0;
  bool want_up_ = true;      // the last command asked for the daemon to run
  bool standing_up_ = true;  // run it again when it dies
  bool restart_ = false;     // run it again as soon as it has died
  bool stopping_ = false;    // TERM sent, not yet reaped
  bool leaving_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || !*argv[1]) {
    std::fprintf(stderr, "tb-supervise: usage: %s\n", kUsage);
    return 100;
  }
  if (pipe(selfpipe) < 0) fatal("pipe");
  for (int fd : selfpipe) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, O_NONBLOCK);
  }
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  for (int sig : {SIGCHLD, SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  supervisor s(argv[1], argv + 2);
  s.open_control();
  // _exit: no leak check at exit under the sanitizers, which can hang
  // behind a tracer it forks; there is nothing to flush.
  _exit(s.run());
}
