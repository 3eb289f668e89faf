// set check and repository check: "tuvo-set-fix", a dry run unless --fix,
// on the working set or on every set of the repository.
#include "commands/orvctl.h"
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
  gol_argv(argv, rgolb, 5, nullptr, 0, &flags, nullptr);  // operands are ignored
  char fmt[UINT64_FMT];
  char const* v[12];
  size_t n = kx_tool_head(v, "tuvo-set-fix", fmt);
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = flags & FORCE_ESSENTIAL ? "--force-essential" : "--no-force-essential";
  v[n++] = flags & UP ? "--fix-up" : "--fix-down";
  if (!(flags & FIX)) v[n++] = "--dry-run";
  if (set) {
    v[n++] = "--";
    v[n++] = set;
  }
  v[n] = nullptr;
  main_exec(v);
}

void set_check(char const* const* argv) {
  exec_set_fix(argv, "current");
}
