// live install: "tuvo-set-install" makes the committed working set live.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/live.h"
#include "commands/orvctl.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

enum : uint64_t { BLOCK = 1, KEEP_OLD = 2, INIT = 4, NO_FORCE_ESSENTIALS = 8 };

constexpr gol_bool rgolb[] = {
    {BLOCK, 0, "block", 'b'},
    {KEEP_OLD, 0, "keep-old", 'K'},
    {INIT, 0, "init", 0},
    {0, NO_FORCE_ESSENTIALS, "force-essentials", 'e'},
    {NO_FORCE_ESSENTIALS, 0, "no-force-essentials", 'E'},
};
enum : uint32_t { CONVERSION, NSLOTS };

constexpr gol_arg rgola[] = {
    {"conversion-file", CONVERSION, 'f'},
};

}  // namespace

void live_install(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  gol_argv<rgolb, rgola>(argv, &flags, values);  // operands are ignored
  char const* const conversion = values[CONVERSION];
  char fmt[UINT64_FMT];
  argv_fixed<18> v;
  main_exec(kx_tool_head(v.start(), "tuvo-set-install", fmt)
                .add("-r", g->repodir, "-c", g->bootdb, "-l", g->livedir)
                .add_if(flags & BLOCK, "-b")
                .add_if(flags & KEEP_OLD, "-K")
                .add(flags & NO_FORCE_ESSENTIALS ? "-E" : "-e")
                .add_if(conversion, "-f", conversion)
                .add_if(flags & INIT, "--no-update")
                .add("--", "current")
                .end());
}
