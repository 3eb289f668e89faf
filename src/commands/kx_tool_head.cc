#include "commands/orvctl.h"
#include "lib/fmtscan.h"

size_t kx_tool_head(char const** v, char const* tool, char* vfmt, bool always) {
  size_t n = 0;
  v[n++] = tool;
  if (always || g->verbosity != 1) {
    vfmt[uint64_fmt_generic(vfmt, g->verbosity, 10)] = 0;
    v[n++] = "-v";
    v[n++] = vfmt;
  }
  return n;
}
