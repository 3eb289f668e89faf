// live start-everything: "tuvo" starts one bundle ("default" unless told).
// The exec is shared with system boot, which runs it after the initialiser.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { DRY_RUN = 1 };
enum : uint32_t { TIMEOUT, BUNDLE };

constexpr gol_bool rgolb[] = {
    {DRY_RUN, 0, "dry-run", 'n'},
};
constexpr gol_arg rgola[] = {
    {"timeout", TIMEOUT, 't'},
    {"default-bundle", BUNDLE, 'D'},
};

}  // namespace

void exec_live_start_everything(uint32_t timeout, unsigned dryrun, char const* bundle) {
  char vfmt[UINT64_FMT];
  char tfmt[UINT64_FMT];
  char const* v[14];
  size_t n = kx_tool_head(v, "tuvo", vfmt);
  if (timeout) {
    tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
    v[n++] = "-t";
    v[n++] = tfmt;
  }
  if (dryrun) v[n++] = "-n1";
  v[n++] = "-l";
  v[n++] = g->livedir;
  v[n++] = "-b";
  v[n++] = "--";
  v[n++] = "start";
  v[n++] = bundle;
  v[n] = nullptr;
  main_exec(v);
}

void live_start_everything(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[2] = {nullptr, "default"};
  gol_argv(argv, rgolb, 1, rgola, 2, &flags, values);  // operands are ignored
  uint32_t timeout = 0;
  if (values[TIMEOUT] && !uint320_scan_base(values[TIMEOUT], &timeout, 10))
    strerr_die(EXIT_USAGE, {"timeout must be an integer (milliseconds)"});
  exec_live_start_everything(timeout, flags & DRY_RUN, values[BUNDLE]);
}
