#include "support/child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "lib/strerr.h"
#include "support/run.h"

namespace orvtest {

child_result in_child(std::function<void()> const& f, child_opts const& opts) {
  tempdir t;
  std::string const out = t / "out", err = t / "err";
  int x[2];  // the errno left by a function that returned
  if (pipe(x)) throw std::runtime_error("pipe");
  fcntl(x[1], F_SETFD, FD_CLOEXEC);  // closed by a successful exec
  pid_t const pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    int const o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int const e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0) _exit(125);
    dup2(o, 1);
    dup2(e, 2);
    close(o);
    close(e);
    close(x[0]);
    if (opts.stdout_closed) close(1);
    if (opts.cwd && chdir(opts.cwd) < 0) _exit(125);
    if (opts.prog) PROG = opts.prog;
    f();
    int const saved = errno;
    (void)!write(x[1], &saved, sizeof saved);
    _exit(opts.returned_code);
  }
  close(x[1]);
  child_result r;
  r.returned = read(x[0], &r.returned_errno, sizeof r.returned_errno) ==
               static_cast<ssize_t>(sizeof r.returned_errno);
  if (!r.returned) r.returned_errno = 0;
  close(x[0]);
  while (waitpid(pid, &r.wstat, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(r.wstat)) r.code = WEXITSTATUS(r.wstat);
  if (WIFSIGNALED(r.wstat)) r.signal = WTERMSIG(r.wstat);
  r.out = read_file(out);
  r.err = read_file(err);
  return r;
}

}  // namespace orvtest
