// set list: "tuvo-set-status -L", the names of the working set's services.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

void set_list(char const* const* argv) {
  uint64_t flags = 0;
  gol_argv<set_essentials_options>(argv, &flags);  // operands are ignored
  char fmt[UINT64_FMT];
  argv_fixed<10> v;
  main_exec(kx_tool_head(v.start(), "tuvo-set-status", fmt, true)
                .add("-r", g->repodir, "-L",
                     flags & SET_WITHOUT_ESSENTIALS ? "--without-essentials" : "--with-essentials",
                     "--", "current")
                .end());
}
