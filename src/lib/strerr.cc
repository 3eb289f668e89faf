#include "lib/strerr.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "lib/buffer.h"
#include "lib/exitcode.h"

char const* PROG = "(none)";

namespace {

// One diagnostic line: optional PROG and kind, the pieces, optional ": " and
// the text for the saved errno, then the newline that flushes it. Write
// failures are ignored on purpose: there is nowhere left to report them.
void emit(char const* kind, char const* const* pieces, size_t n, bool sys) {
  int const e = errno;
  if (kind) {
    if (PROG) buffer_puts(buffer_2, PROG);
    buffer_puts(buffer_2, kind);
  }
  for (size_t k = 0; k < n; k++)
    if (pieces[k]) buffer_puts(buffer_2, pieces[k]);
  if (sys) {
    buffer_puts(buffer_2, ": ");
    buffer_puts(buffer_2, strerror(e));
  }
  buffer_putflush(buffer_2, "\n", 1);
  errno = e;
}

}  // namespace

void strerr_warnv(char const* const* pieces, unsigned n) {
  emit(nullptr, pieces, n, false);
}

void strerr_warnvsys(char const* const* pieces, unsigned n) {
  emit(nullptr, pieces, n, true);
}

void strerr_diev(int code, char const* const* pieces, unsigned n) {
  strerr_warnv(pieces, n);
  _exit(code);
}

void strerr_dievsys(int code, char const* const* pieces, unsigned n) {
  strerr_warnvsys(pieces, n);
  _exit(code);
}

void strerr_warn(std::initializer_list<char const*> pieces) {
  emit(": warning: ", pieces.begin(), pieces.size(), false);
}

void strerr_warnsys(std::initializer_list<char const*> pieces) {
  emit(": warning: ", pieces.begin(), pieces.size(), true);
}

void strerr_die(int code, std::initializer_list<char const*> pieces) {
  emit(": fatal: ", pieces.begin(), pieces.size(), false);
  _exit(code);
}

void strerr_diesys(int code, std::initializer_list<char const*> pieces) {
  emit(": fatal: ", pieces.begin(), pieces.size(), true);
  _exit(code);
}

void strerr_dieusage(int code, std::initializer_list<char const*> pieces) {
  emit(": usage: ", pieces.begin(), pieces.size(), false);
  _exit(code);
}

void strerr_fatal(std::initializer_list<char const*> pieces) {
  emit(": fatal: ", pieces.begin(), pieces.size(), false);
}

void strerr_fatalsys(std::initializer_list<char const*> pieces) {
  emit(": fatal: ", pieces.begin(), pieces.size(), true);
}

bool strerr_info(buffer* b, std::initializer_list<char const*> pieces) {
  if ((PROG && buffer_puts(b, PROG) < 0) || buffer_puts(b, ": info: ") < 0) return false;
  for (char const* p : pieces)
    if (p && buffer_puts(b, p) < 0) return false;
  return buffer_put(b, "\n", 1) >= 0;
}

void strerr_die_write_stdout() {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "write to stdout"});
}
