// repository sync: "tuvo-repo-sync" brings the repository in line with its stores.
#include "commands/orvctl.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

constexpr gol_arg rgola[] = {
    {"fdholder-user", 0, 'h'},
};

}  // namespace

void repository_sync(char const* const* argv) {
  char const* user = nullptr;
  gol_argv(argv, nullptr, 0, rgola, 1, nullptr, &user);  // operands are ignored
  char fmt[UINT64_FMT];
  char const* v[9];
  size_t n = kx_tool_head(v, "tuvo-repo-sync", fmt);
  v[n++] = "-r";
  v[n++] = g->repodir;
  if (user) {
    v[n++] = "-h";
    v[n++] = user;
  }
  v[n++] = "--";
  v[n] = nullptr;
  main_exec(v);
}
