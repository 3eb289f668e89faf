#include "commands/kx.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

size_t kx_operands(char const* const* argv, char const* usage) {
  size_t n = 0;
  while (argv[n]) n++;
  if (!n) strerr_dieusage(EXIT_USAGE, {usage});
  return n;
}
