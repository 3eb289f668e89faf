// set delete: "tuvo-set-delete" on named sets, never on the working set.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

void set_delete(char const* const* argv) {
  argv += gol_argv(argv);
  if (!*argv) {
    char const* const usage[] = {"usage: orv set delete names..."};
    strerr_diev(EXIT_USAGE, usage);
  }
  size_t nnames = 0;
  // Every name is checked before anything runs, so a bad one deletes nothing.
  for (; argv[nnames]; nnames++)
    if (!set_check_set_name(argv[nnames]))
      strerr_die(EXIT_USAGE, {"invalid set name: ", argv[nnames]});

  // tool, -v V, -r repodir, "--", the names, null
  argv_heap<7> v(nnames);
  if (!v) kx_die_argv();
  char fmt[UINT64_FMT];
  auto a = kx_tool_head(v.start(), "tuvo-set-delete", fmt, true)
               .add("-r", g->repodir, "--")
               .add_all(argv, nnames);
  main_exec(kx_argv(a.end()));
}
