// live stop-everything: "tuvo change" takes down every non-essential
// service, or everything with --with-essentials.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { DRY_RUN = 1, WITH_ESSENTIALS = 2 };

constexpr gol_bool rgolb[] = {
    {DRY_RUN, 0, "dry-run", 'n'},
    {0, WITH_ESSENTIALS, "without-essentials", 'e'},
    {WITH_ESSENTIALS, 0, "with-essentials", 'E'},
};
constexpr gol_arg rgola[] = {
    {"timeout", 0, 't'},
};

}  // namespace

void live_stop_everything(char const* const* argv) {
  uint64_t flags = 0;
  char const* timeout_text = nullptr;
  gol_argv(argv, rgolb, 3, rgola, 1, &flags, &timeout_text);  // operands are ignored
  uint32_t timeout = 0;
  if (timeout_text && !uint320_scan_base(timeout_text, &timeout, 10))
    strerr_die(EXIT_USAGE, {"timeout must be an integer (milliseconds)"});
  char fmt[UINT64_FMT];
  char const* v[13];
  size_t n = kx_tool_head(v, "tuvo", fmt);
  if (timeout) {
    // The user's own text goes on, leading zeros and all.
    v[n++] = "-t";
    v[n++] = timeout_text;
  }
  if (flags & DRY_RUN) v[n++] = "-n1";
  v[n++] = "-l";
  v[n++] = g->livedir;
  v[n++] = flags & WITH_ESSENTIALS ? "-bDa" : "-bda";
  v[n++] = "--";
  v[n++] = "change";
  v[n] = nullptr;
  main_exec(v);
}
