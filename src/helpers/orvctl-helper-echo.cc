// orvctl-helper-echo: writes its arguments to standard output, separated by
// one byte, for the chains that the front end hands off.

#include <signal.h>

#include <cstdint>

#include "lib/buffer.h"
#include "lib/exitcode.h"
#include "lib/fd.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { GOLB_CHOMP = 1 };
enum : unsigned { GOLA_SEPARATOR = 0, GOLA_N };

constexpr gol_bool rgolb[] = {
    {GOLB_CHOMP, 0, "chomp", 'n'},
};
constexpr gol_arg rgola[] = {
    {"separator", GOLA_SEPARATOR, 's'},
};

[[noreturn]] void die_write() {
  strerr_die_write_stdout();
}

void put(char const* s, size_t len) {
  if (buffer_put(buffer_1small, s, len) < 0) die_write();
}

}  // namespace

int main(int argc, char const* const* argv) {
  fd_std_fill();  // before anything is opened
  // The inherited state orv starts from: an ignored SIGCHLD is not kept.
  (void)signal(SIGCHLD, SIG_DFL);  // cannot fail for a valid signal
  PROG = "orvctl-helper-echo";
  uint64_t flags = 0;
  char const* wgola[GOLA_N] = {" "};
  unsigned i = gol_main<rgolb, rgola>(argc, argv, &flags, wgola);
  // Only the separator's first byte counts; an empty value gives its NUL.
  char const* sep = wgola[GOLA_SEPARATOR];
  for (unsigned n = static_cast<unsigned>(argc); i < n; i++) {
    if (buffer_puts(buffer_1small, argv[i]) < 0) die_write();
    if (i + 1 < n) put(sep, 1);
  }
  if (!(flags & GOLB_CHOMP)) put("\n", 1);
  if (!buffer_flush(buffer_1small)) die_write();
  return EXIT_OK;
}
