// set list: "tuvo-set-status -L", the names of the working set's services.
#include "commands/orvctl.h"
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
  gol_argv(argv, rgolb, 2, nullptr, 0, &flags, nullptr);  // operands are ignored
  char fmt[UINT64_FMT];
  fmt[uint64_fmt_generic(fmt, g->verbosity, 10)] = 0;
  char const* const v[] = {
      "tuvo-set-status",
      "-v",
      fmt,
      "-r",
      g->repodir,
      "-L",
      flags & WITHOUT_ESSENTIALS ? "--without-essentials" : "--with-essentials",
      "--",
      "current",
      nullptr};
  main_exec(v);
}
