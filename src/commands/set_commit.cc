// set commit: "tuvo-set-commit" compiles the working set into a database.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

enum : uint64_t { FORCE = 1, KEEP_OLD = 2 };
enum : uint32_t { BUNDLE, FDHOLDER_USER, NSLOTS };

constexpr gol_bool rgolb[] = {
    {FORCE, 0, "force", 'f'},
    {KEEP_OLD, 0, "keep-old", 'K'},
};
constexpr gol_arg rgola[] = {
    {"default-bundle", BUNDLE, 'D'},
    {"fdholder-user", FDHOLDER_USER, 'h'},
};

}  // namespace

void set_commit(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {"default", nullptr};
  gol_argv<rgolb, rgola>(argv, &flags, values);  // operands are ignored
  char fmt[UINT64_FMT];
  argv_fixed<14> v;
  main_exec(kx_tool_head(v.start(), "tuvo-set-commit", fmt)
                .add("-r", g->repodir, "-D", values[BUNDLE])
                .add_if(flags & FORCE, "-f")
                .add_if(flags & KEEP_OLD, "-K")
                .add_if(values[FDHOLDER_USER], "-h", values[FDHOLDER_USER])
                .add("--", "current")
                .end());
}
