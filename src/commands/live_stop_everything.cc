// live stop-everything: "tuvo change" takes down every non-essential
// service, or everything with --with-essentials.
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

enum : uint64_t { DRY_RUN = 1, WITH_ESSENTIALS = 2 };

constexpr gol_bool rgolb[] = {
    {DRY_RUN, 0, "dry-run", 'n'},
    {0, WITH_ESSENTIALS, "without-essentials", 'e'},
    {WITH_ESSENTIALS, 0, "with-essentials", 'E'},
};
enum : uint32_t { TIMEOUT, NSLOTS };

constexpr gol_arg rgola[] = {
    {"timeout", TIMEOUT, 't'},
};

}  // namespace

void live_stop_everything(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  gol_argv<rgolb, rgola>(argv, &flags, values);  // operands are ignored
  char const* const timeout_text = values[TIMEOUT];
  uint32_t const timeout = kx_timeout(timeout_text, KX_TIMEOUT_LIVE);
  char fmt[UINT64_FMT];
  argv_fixed<12> v;
  main_exec(kx_tool_head(v.start(), "tuvo", fmt)
                // The user's own text goes on, leading zeros and all.
                .add_if(timeout, "-t", timeout_text)
                .add_if(flags & DRY_RUN, "-n1")
                .add("-l", g->livedir, flags & WITH_ESSENTIALS ? "-bDa" : "-bda", "--", "change")
                .end());
}
