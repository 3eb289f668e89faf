// repository list: "tuvo-repo-list" names the saved sets. Nothing after
// "list" is looked at, options included.
#include "commands/orvctl.h"
#include "lib/fmtscan.h"

void repository_list(char const* const*) {
  char fmt[UINT64_FMT];
  char const* v[9];
  size_t n = 0;
  v[n++] = "tuvo-repo-list";
  if (g->verbosity != 1) {
    fmt[uint64_fmt_generic(fmt, g->verbosity, 10)] = 0;
    v[n++] = "-v";
    v[n++] = fmt;
  }
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = "-x";
  v[n++] = "current";
  v[n++] = "--";
  v[n] = nullptr;
  main_exec(v);
}
