// set check and repository check: "tuvo-set-fix", a dry run unless --fix,
// on the working set or on every set of the repository.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

enum : uint64_t { FORCE_ESSENTIAL = 1, UP = 2, FIX = 4 };

constexpr gol_bool rgolb[] = {
    {0, FORCE_ESSENTIAL, "no-force-essential", 'E'},
    {FORCE_ESSENTIAL, 0, "force-essential", 'e'},
    {0, UP, "down", 'd'},
    {UP, 0, "up", 'u'},
    {FIX, 0, "fix", 'F'},
};

}  // namespace

void exec_set_fix(char const* const* argv, char const* set) {
  uint64_t flags = 0;
  gol_argv<rgolb>(argv, &flags);  // operands are ignored
  char fmt[UINT64_FMT];
  argv_fixed<11> v;
  main_exec(kx_tool_head(v.start(), "tuvo-set-fix", fmt)
                .add("-r", g->repodir,
                     flags & FORCE_ESSENTIAL ? "--force-essential" : "--no-force-essential",
                     flags & UP ? "--fix-up" : "--fix-down")
                .add_if(!(flags & FIX), "--dry-run")
                .add_if(set, "--", set)
                .end());
}

void set_check(char const* const* argv) {
  exec_set_fix(argv, "current");
}
