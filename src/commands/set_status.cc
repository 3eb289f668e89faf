// set status: "tuvo-set-status" shows services of the working set with
// their rx; its output is for a person, hence the pretty hand-off.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { WITHOUT_ESSENTIALS = 1 };

constexpr gol_bool rgolb[] = {
    {0, WITHOUT_ESSENTIALS, "with-essentials", 'E'},
    {WITHOUT_ESSENTIALS, 0, "without-essentials", 'e'},
};

}  // namespace

void set_status(char const* const* argv) {
  uint64_t flags = 0;
  argv += gol_argv(argv, rgolb, 2, nullptr, 0, &flags, nullptr);
  size_t nnames = 0;
  while (argv[nnames]) nnames++;
  if (!set_check_service_names(argv, nnames)) strerr_die(EXIT_USAGE, {"invalid service name"});

  // tool, -v V, -r repodir, essentials, "--", "current", the names, null
  smallbuf<char const*, 64> buf(9 + nnames);
  if (!buf) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});
  char const** v = buf.get();
  char fmt[UINT64_FMT];
  size_t n = kx_tool_head(v, "tuvo-set-status", fmt, true);
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = flags & WITHOUT_ESSENTIALS ? "--without-essentials" : "--with-essentials";
  v[n++] = "--";
  v[n++] = "current";
  for (size_t i = 0; i < nnames; i++) v[n++] = argv[i];
  v[n] = nullptr;
  main_pretty_exec(v);
}
