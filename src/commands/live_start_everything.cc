// live start-everything: "tuvo" starts one bundle ("default" unless told).
// The exec is shared with system boot, which runs it after the initialiser.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/live.h"
#include "commands/orvctl.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { DRY_RUN = 1 };
enum : uint32_t { TIMEOUT, BUNDLE, NSLOTS };

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
  if (timeout) tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
  argv_fixed<13> v;
  main_exec(kx_tool_head(v.start(), "tuvo", vfmt)
                .add_if(timeout, "-t", tfmt)
                .add_if(dryrun, "-n1")
                .add("-l", g->livedir, "-b", "--", "start", bundle)
                .end());
}

void live_start_everything(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {nullptr, "default"};
  gol_argv<rgolb, rgola>(argv, &flags, values);  // operands are ignored
  uint32_t const timeout = kx_timeout(values[TIMEOUT], KX_TIMEOUT_LIVE);
  exec_live_start_everything(timeout, flags & DRY_RUN, values[BUNDLE]);
}
