#include "commands/kx.h"
#include "commands/orvctl.h"
#include "lib/fmtscan.h"

bool kx_verbosity_fmt(char* vfmt, bool always) {
  if (!always && g->verbosity == 1) return false;
  vfmt[uint64_fmt_generic(vfmt, g->verbosity, 10)] = 0;
  return true;
}
