#include "lib/argv.h"

#include <cerrno>

#include "lib/exitcode.h"
#include "lib/strerr.h"

void argv_die() {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});
}

void argv_die_full() {
  errno = E2BIG;
  argv_die();
}
