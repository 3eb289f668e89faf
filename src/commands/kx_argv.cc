#include "commands/kx.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void kx_die_argv() {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});
}
