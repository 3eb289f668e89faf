// repository list: "tuvo-repo-list" names the saved sets. Nothing after
// "list" is looked at, options included.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/repository.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"

void repository_list(char const* const*) {
  char fmt[UINT64_FMT];
  argv_fixed<9> v;
  main_exec(kx_tool_head(v.start(), "tuvo-repo-list", fmt)
                .add("-r", g->repodir, "-x", "current", "--")
                .end());
}
