// orvctl-helper-kill: sends one signal, given by number, to a list of
// process ids, for the signals that the supervision control tool cannot send.

#include <signal.h>

#include <cstdint>

#include "lib/exitcode.h"
#include "lib/fd.h"
#include "lib/fmtscan.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

namespace {

[[noreturn]] void usage() {
  strerr_dieusage(EXIT_USAGE, {"orvctl-helper-kill signal pid..."});
}

}  // namespace

int main(int argc, char const* const* argv) {
  fd_std_fill();  // before anything is opened
  // The inherited state orv starts from: an ignored SIGCHLD is not kept.
  (void)signal(SIGCHLD, SIG_DFL);  // cannot fail for a valid signal
  PROG = "orvctl-helper-kill";
  if (argc < 2) usage();
  uint32_t sig;
  if (!uint320_scan_base(argv[1], &sig, 10)) usage();
  size_t n = static_cast<size_t>(argc) - 2;
  if (!n) return EXIT_OK;

  smallbuf<int32_t, 64> pids(n);
  if (!pids) strerr_diesys(EXIT_SYSTEM, {"unable to ", "allocate pid list"});
  // Every pid is checked before the first signal: a bad list sends nothing.
  for (size_t i = 0; i < n; i++) {
    if (!int320_scan_base(argv[2 + i], pids.get() + i, 10)) {
      strerr_die(EXIT_USAGE, {"pids must be numerical"});
    }
  }
  // Delivery failures (gone, not ours, unknown signal) stop nobody else.
  for (size_t i = 0; i < n; i++) kill(pids.get()[i], static_cast<int>(sig));
  return EXIT_OK;
}
