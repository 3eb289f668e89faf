// enable, disable, mask, unmask, make-essential: one "tuvo-set-change" call
// that sets the named services of the working set to an rx.
#include <cstring>

#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { IGNORE_DEPENDENCIES = 1, DRY_RUN = 2 };

constexpr gol_bool rgolb[] = {
    {IGNORE_DEPENDENCIES, 0, "ignore-dependencies", 'f'},
    {DRY_RUN, 0, "dry-run", 'n'},
};
constexpr gol_arg rgola[] = {
    {"if-dependencies-found", 0, 'I'},
};

// Everything but the names: tool, -v V, -r repodir, -f, -n, -I WHAT, -e,
// "--", "current", rx, and the closing null.
constexpr size_t FIXED_ELEMENTS = 15;

[[noreturn]] void set_change(char const* const* argv, char const* rx, char const* subcommand) {
  uint64_t flags = 0;
  char const* what = nullptr;
  argv += gol_argv(argv, rgolb, 2, rgola, 1, &flags, &what);
  size_t nnames = 0;
  while (argv[nnames]) nnames++;
  if (!nnames) {
    // This usage line carries no program name.
    char const* const usage[] = {"usage: ", "orv set ", subcommand,
                                 " [ --ignore-dependencies ] [ --dry-run ] "
                                 "[ --if-dependencies-found=fail|warn|pull ] services..."};
    strerr_diev(EXIT_USAGE, usage, 4);
  }
  if (what && strcmp(what, "fail") && strcmp(what, "pull") && strcmp(what, "warn"))
    strerr_die(EXIT_USAGE, {"--if-dependencies-found= argument must be fail, warn or pull"});

  smallbuf<char const*, 64> buf(FIXED_ELEMENTS + nnames);
  if (!buf) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});
  char const** v = buf.get();
  char fmt[UINT64_FMT];
  size_t n = kx_tool_head(v, "tuvo-set-change", fmt);
  v[n++] = "-r";
  v[n++] = g->repodir;
  if (flags & IGNORE_DEPENDENCIES) v[n++] = "-f";
  if (flags & DRY_RUN) v[n++] = "-n";
  if (what) {
    v[n++] = "-I";
    v[n++] = what;
  }
  if (!strcmp(rx, "always")) v[n++] = "-e";
  v[n++] = "--";
  v[n++] = "current";
  v[n++] = rx;
  for (size_t i = 0; i < nnames; i++) v[n++] = argv[i];
  v[n] = nullptr;
  main_exec(v);
}

}  // namespace

void set_enable(char const* const* argv) {
  set_change(argv, "active", "enable");
}
void set_disable(char const* const* argv) {
  set_change(argv, "usable", "disable");
}
void set_mask(char const* const* argv) {
  set_change(argv, "masked", "mask");
}
void set_unmask(char const* const* argv) {
  set_change(argv, "usable", "unmask");
}
void set_make_essential(char const* const* argv) {
  set_change(argv, "always", "make-essential");
}
