// Waiting for children.
#include "lib/wait.h"

#include <sys/wait.h>

#include <cerrno>

pid_t waitpid_nointr(pid_t pid, int* wstat, int options) {
  int const e = errno;
  for (;;) {
    pid_t const r = waitpid(pid, wstat, options);
    if (r >= 0) {
      errno = e;
      return r;
    }
    if (errno != EINTR) return -1;
  }
}

int wait_estatus(int wstat) {
  if (WIFSIGNALED(wstat)) return 128 + WTERMSIG(wstat);
  int const c = WEXITSTATUS(wstat);
  return c < 128 ? c : 128;
}
