// repository sync: "tuvo-repo-sync" brings the repository in line with its stores.
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/repository.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

enum : uint32_t { USER, NSLOTS };

constexpr gol_arg rgola[] = {
    {"fdholder-user", USER, 'h'},
};

}  // namespace

void repository_sync(char const* const* argv) {
  char const* values[NSLOTS] = {};
  gol_argv<gol_no_bools, rgola>(argv, nullptr, values);  // operands are ignored
  char const* const user = values[USER];
  char fmt[UINT64_FMT];
  argv_fixed<9> v;
  main_exec(kx_tool_head(v.start(), "tuvo-repo-sync", fmt)
                .add("-r", g->repodir)
                .add_if(user, "-h", user)
                .add("--")
                .end());
}
