// repository list: "tuvo-repo-list" names the saved sets. Nothing after
// "list" is looked at, options included.
#include "commands/orvctl.h"
#include "lib/fmtscan.h"

void repository_list(char const* const*) {
  char fmt[UINT64_FMT];
  char const* v[9];
  size_t n = kx_tool_head(v, "tuvo-repo-list", fmt);
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = "-x";
  v[n++] = "current";
  v[n++] = "--";
  v[n] = nullptr;
  main_exec(v);
}
