// live install: "tuvo-set-install" makes the committed working set live.
#include "commands/orvctl.h"
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
constexpr gol_arg rgola[] = {
    {"conversion-file", 0, 'f'},
};

}  // namespace

void live_install(char const* const* argv) {
  uint64_t flags = 0;
  char const* conversion = nullptr;
  gol_argv(argv, rgolb, 5, rgola, 1, &flags, &conversion);  // operands are ignored
  char fmt[UINT64_FMT];
  char const* v[20];
  size_t n = kx_tool_head(v, "tuvo-set-install", fmt);
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = "-c";
  v[n++] = g->bootdb;
  v[n++] = "-l";
  v[n++] = g->livedir;
  if (flags & BLOCK) v[n++] = "-b";
  if (flags & KEEP_OLD) v[n++] = "-K";
  v[n++] = flags & NO_FORCE_ESSENTIALS ? "-E" : "-e";
  if (conversion) {
    v[n++] = "-f";
    v[n++] = conversion;
  }
  if (flags & INIT) v[n++] = "--no-update";
  v[n++] = "--";
  v[n++] = "current";
  v[n] = nullptr;
  main_exec(v);
}
