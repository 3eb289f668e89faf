// set commit: "tuvo-set-commit" compiles the working set into a database.
#include "commands/orvctl.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"

namespace {

enum : uint64_t { FORCE = 1, KEEP_OLD = 2 };
enum : uint32_t { BUNDLE, FDHOLDER_USER };

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
  char const* values[2] = {"default", nullptr};
  gol_argv(argv, rgolb, 2, rgola, 2, &flags, values);  // operands are ignored
  char fmt[UINT64_FMT];
  char const* v[15];
  size_t n = kx_tool_head(v, "tuvo-set-commit", fmt);
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = "-D";
  v[n++] = values[BUNDLE];
  if (flags & FORCE) v[n++] = "-f";
  if (flags & KEEP_OLD) v[n++] = "-K";
  if (values[FDHOLDER_USER]) {
    v[n++] = "-h";
    v[n++] = values[FDHOLDER_USER];
  }
  v[n++] = "--";
  v[n++] = "current";
  v[n] = nullptr;
  main_exec(v);
}
