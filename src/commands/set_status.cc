// set status: "tuvo-set-status" shows services of the working set with
// their rx; its output is for a person, hence the pretty hand-off.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

void set_status(char const* const* argv) {
  uint64_t flags = 0;
  argv += gol_argv<set_essentials_options>(argv, &flags);
  size_t nnames = 0;
  while (argv[nnames]) nnames++;
  if (!set_check_service_names(argv, nnames)) strerr_die(EXIT_USAGE, {"invalid service name"});

  // tool, -v V, -r repodir, essentials, "--", "current", the names, null
  argv_heap<9> v(nnames);
  if (!v) kx_die_argv();
  char fmt[UINT64_FMT];
  auto a = kx_tool_head(v.start(), "tuvo-set-status", fmt, true)
               .add("-r", g->repodir,
                    flags & SET_WITHOUT_ESSENTIALS ? "--without-essentials" : "--with-essentials",
                    "--", "current")
               .add_all(argv, nnames);
  main_pretty_exec(kx_argv(a.end()));
}
