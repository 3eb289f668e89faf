// process status: a label on standard output, then "orv-query" prints the
// status of that directory to the same output; one run per directory, and
// the logger's directory too with --with-logs.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "commands/orvctl.h"
#include "commands/process.h"
#include "lib/buffer.h"
#include "lib/exitcode.h"
#include "lib/gol.h"
#include "lib/path.h"
#include "lib/strerr.h"
#include "lib/wait.h"

namespace {

constexpr int EXIT_STATUS_FAILED = 1;  // a status run failed

enum : uint64_t { WITH_LOGS = 0x1 };

constexpr gol_bool rgolb[] = {
    {0, WITH_LOGS, "without-logs", 'L'},
    {WITH_LOGS, 0, "with-logs", 'l'},
};

// The label comes out before the printer's own output; a failed write is
// not worth stopping for.
void label(char const* dir) {
  buffer_puts(buffer_1, dir);
  buffer_putsflush(buffer_1, ": ");
}

int spawn_and_wait(char const* const* argv) {
  pid_t const pid = main_spawn(argv);
  int wstat;
  if (waitpid_nointr(pid, &wstat, 0) != pid) {
    if (g->verbosity) strerr_warnsys({"unable to ", "wait for ", argv[0]});
    return 1;
  }
  return WIFEXITED(wstat) && WEXITSTATUS(wstat) == 0 ? 0 : 1;
}

int query(char const* dir) {
  label(dir);
  char const* const v[] = {"orv-query", "--", dir, nullptr};
  return spawn_and_wait(v);
}

int do_status(char const* dir, unsigned withlogs) {
  int r = query(dir);
  if (!withlogs) return r;
  static constexpr char log[] = "/log";
  size_t const len = strlen(dir);
  // A logger named directly has no logger of its own to show.
  if (len >= 5 && !memcmp(dir + len - 4, log, 4)) return r;

  path_join const logdir(dir, log);
  if (!logdir) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build path for ", dir, log});
  struct stat st;
  if (stat(logdir.get(), &st) < 0) {
    if (errno == ENOENT) return r;
    if (g->verbosity) strerr_warnsys({"unable to ", "stat ", logdir.get()});
    return 1;
  }
  if (!S_ISDIR(st.st_mode)) return r;
  return r | query(logdir.get());
}

}  // namespace

void process_status(char const* const* argv) {
  uint64_t flags = 0;
  argv += gol_argv<rgolb>(argv, &flags);
  size_t const n = kx_operands(argv, "orv process status [ -L | -l ] services...");
  process_check_services(argv, n);

  int failed = 0;
  for (size_t i = 0; i < n; i++) {
    process_dir const dir(argv[i]);
    if (!dir) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build path for ", argv[i]});
    failed |= do_status(dir.get(), flags & WITH_LOGS);
  }
  _exit(failed ? EXIT_STATUS_FAILED : EXIT_OK);
}
