// set save and set load: "tuvo-set-copy" between the working set and a
// named copy of it.
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

enum : uint64_t { FORCE = 1 };

constexpr gol_bool rgolb[] = {
    {FORCE, 0, "force", 'f'},
};

[[noreturn]] void set_copy(char const* source, char const* destination, bool force) {
  char fmt[UINT64_FMT];
  argv_fixed<10> v;
  main_exec(kx_tool_head(v.start(), "tuvo-set-copy", fmt)
                .add("-r", g->repodir)
                .add_if(force, "-f")
                .add("--", source, destination)
                .end());
}

// Usage lines of save and load carry no program name.
[[noreturn]] void die_usage(char const* what) {
  char const* const usage[] = {"usage: ", "orv set ", what};
  strerr_diev(EXIT_USAGE, usage);
}

}  // namespace

void set_save(char const* const* argv) {
  uint64_t flags = 0;
  argv += gol_argv<rgolb>(argv, &flags);
  if (!*argv) die_usage("save [ --force ] name");
  if (!set_check_set_name(*argv)) strerr_die(EXIT_USAGE, {"invalid set name"});
  set_copy("current", *argv, flags & FORCE);
}

void set_load(char const* const* argv) {
  argv += gol_argv(argv);
  if (!*argv) die_usage("load name");
  if (!set_check_set_name(*argv)) strerr_die(EXIT_USAGE, {"invalid set name"});
  set_copy(*argv, "current", true);
}
