#include "chain.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "lib/exec.h"

extern char** environ;

namespace tbchain {

namespace {

[[noreturn]] void die(char const* prog, int code, std::string const& msg) {
  std::string line = std::string(prog) + ": " + msg + "\n";
  char const* p = line.data();
  size_t n = line.size();
  while (n) {
    ssize_t w = write(2, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    p += w;
    n -= static_cast<size_t>(w);
  }
  // _exit: a forked child must not run the parent's exit handlers.
  _exit(code);
}

}  // namespace

bool parse_block(char** argv, int start, std::vector<char*>& out, int* next) {
  out.clear();
  for (int i = start; argv[i]; ++i) {
    if (argv[i][0] == ' ') {
      out.push_back(argv[i] + 1);
    } else if (argv[i][0] == '\0') {
      out.push_back(nullptr);
      *next = i + 1;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

bool parse_fd(char const* s, int* fd) {
  if (!*s) return false;
  long v = 0;
  for (; *s; ++s) {
    if (*s < '0' || *s > '9') return false;
    v = v * 10 + (*s - '0');
    if (v > (1L << 20)) return false;
  }
  *fd = static_cast<int>(v);
  return true;
}

int move_fd(int from, int to) {
  if (from == to) {
    int flags = fcntl(from, F_GETFD);
    if (flags < 0) return -1;
    return fcntl(from, F_SETFD, flags & ~FD_CLOEXEC) < 0 ? -1 : 0;
  }
  if (dup2(from, to) < 0) return -1;
  close(from);
  return 0;
}

void die_usage(char const* prog, char const* usage) {
  die(prog, 100, std::string("usage: ") + usage);
}

void die_sys(char const* prog, char const* what) {
  int e = errno;
  die(prog, 111, std::string("fatal: unable to ") + what + ": " + strerror(e));
}

void exec_into(char const* prog, char* const* argv) {
  // As the real chain tools do, without PATH the build's default search
  // path, which test builds start with the stand-ins.
  exec_ae(argv[0], argv, environ);
  int e = errno;
  die(prog, e == ENOENT ? 127 : 126,
      std::string("fatal: unable to exec ") + argv[0] + ": " + strerror(e));
}

int spawn(char const* prog, char* const* argv) {
  pid_t pid = fork();
  if (pid < 0) die_sys(prog, "fork");
  if (pid == 0) exec_into(prog, argv);
  return pid;
}

int wait_code(char const* prog, int pid) {
  int ws;
  while (waitpid(pid, &ws, 0) < 0) {
    if (errno != EINTR) die_sys(prog, "wait");
  }
  if (WIFSIGNALED(ws)) return 128 + WTERMSIG(ws);
  return WEXITSTATUS(ws);
}

}  // namespace tbchain
