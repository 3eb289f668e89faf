// set list: "tuvo-set-status -L", the names of the working set's services.
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

enum : uint64_t { WITHOUT_ESSENTIALS = 1 };

constexpr gol_bool rgolb[] = {
    {0, WITHOUT_ESSENTIALS, "with-essentials", 'E'},
    {WITHOUT_ESSENTIALS, 0, "without-essentials", 'e'},
};

}  // namespace

void set_list(char const* const* argv) {
  uint64_t flags = 0;
  gol_argv<rgolb>(argv, &flags);  // operands are ignored
  char fmt[UINT64_FMT];
  argv_fixed<10> v;
  main_exec(kx_tool_head(v.start(), "tuvo-set-status", fmt, true)
                .add("-r", g->repodir, "-L",
                     flags & WITHOUT_ESSENTIALS ? "--without-essentials" : "--with-essentials",
                     "--", "current")
                .end());
}
