// tb-daemon LOG: a daemon for the supervisor stand-in. Appends "pid P up" to
// LOG, then one line for each signal it receives ("pid P got HUP"), and ends
// on TERM ("pid P got TERM, exiting", exit 0). KILL and STOP cannot be seen.
// Exit 100 bad usage; 111 when LOG cannot be written.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct named {
  int sig;
  char const* name;
};

named const kSignals[] = {
    {SIGHUP, "HUP"},   {SIGINT, "INT"},   {SIGQUIT, "QUIT"}, {SIGABRT, "ABRT"},
    {SIGALRM, "ALRM"}, {SIGTERM, "TERM"}, {SIGCONT, "CONT"}, {SIGWINCH, "WINCH"},
    {SIGUSR1, "USR1"}, {SIGUSR2, "USR2"}, {SIGTSTP, "TSTP"}, {SIGVTALRM, "VTALRM"},
    {SIGPIPE, "PIPE"}, {SIGPROF, "PROF"},
};

void say(char const* log, std::string const& line) {
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  std::string const text = "pid " + std::to_string(getpid()) + " " + line + "\n";
  if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    std::fprintf(stderr, "tb-daemon: fatal: unable to write %s: %s\n", log, strerror(errno));
    std::exit(111);
  }
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !*argv[1]) {
    std::fprintf(stderr, "tb-daemon: usage: tb-daemon log\n");
    return 100;
  }
  sigset_t set;
  sigemptyset(&set);
  for (auto const& s : kSignals) sigaddset(&set, s.sig);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  say(argv[1], "up");
  for (;;) {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) continue;
    char const* name = "?";
    for (auto const& s : kSignals)
      if (s.sig == sig) name = s.name;
    if (sig == SIGTERM) {
      say(argv[1], "got TERM, exiting");
      // _exit: under the sanitizers the leak check at exit forks a tracer
      // that can hang a process whose signals are blocked, as these are.
      _exit(0);
    }
    say(argv[1], std::string("got ") + name);
  }
}
