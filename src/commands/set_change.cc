// enable, disable, mask, unmask, make-essential: one "tuvo-set-change" call
// that sets the named services of the working set to an rx.
#include <cstring>

#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { IGNORE_DEPENDENCIES = 1, DRY_RUN = 2 };

constexpr gol_bool rgolb[] = {
    {IGNORE_DEPENDENCIES, 0, "ignore-dependencies", 'f'},
    {DRY_RUN, 0, "dry-run", 'n'},
};
enum : uint32_t { WHAT, NSLOTS };

constexpr gol_arg rgola[] = {
    {"if-dependencies-found", WHAT, 'I'},
};

[[noreturn]] void set_change(char const* const* argv, char const* rx, char const* subcommand) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  argv += gol_argv<rgolb, rgola>(argv, &flags, values);
  char const* const what = values[WHAT];
  size_t nnames = 0;
  while (argv[nnames]) nnames++;
  if (!nnames) {
    // This usage line carries no program name.
    char const* const usage[] = {"usage: ", "orv set ", subcommand,
                                 " [ --ignore-dependencies ] [ --dry-run ] "
                                 "[ --if-dependencies-found=fail|warn|pull ] services..."};
    strerr_diev(EXIT_USAGE, usage);
  }
  if (what && strcmp(what, "fail") != 0 && strcmp(what, "pull") != 0 && strcmp(what, "warn") != 0)
    strerr_die(EXIT_USAGE, {"--if-dependencies-found= argument must be fail, warn or pull"});

  // Everything but the names: tool, -v V, -r repodir, -f, -n, -I WHAT, -e,
  // "--", "current", rx.
  argv_heap<14> v(nnames);
  if (!v) kx_die_argv();
  char fmt[UINT64_FMT];
  auto a = kx_tool_head(v.start(), "tuvo-set-change", fmt)
               .add("-r", g->repodir)
               .add_if(flags & IGNORE_DEPENDENCIES, "-f")
               .add_if(flags & DRY_RUN, "-n")
               .add_if(what, "-I", what)
               .add_if(!strcmp(rx, "always"), "-e")
               .add("--", "current", rx)
               .add_all(argv, nnames);
  main_exec(kx_argv(a.end()));
}

}  // namespace

void set_enable(char const* const* argv) {
  set_change(argv, "active", "enable");
}
void set_disable(char const* const* argv) {
  set_change(argv, "usable", "disable");
}
void set_mask(char const* const* argv) {
  set_change(argv, "masked", "mask");
}
void set_unmask(char const* const* argv) {
  set_change(argv, "usable", "unmask");
}
void set_make_essential(char const* const* argv) {
  set_change(argv, "always", "make-essential");
}
