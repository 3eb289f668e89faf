// set delete: "tuvo-set-delete" on named sets, never on the working set.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

void set_delete(char const* const* argv) {
  argv += gol_argv(argv, nullptr, 0, nullptr, 0, nullptr, nullptr);
  if (!*argv) {
    char const* const usage[] = {"usage: orv set delete names..."};
    strerr_diev(EXIT_USAGE, usage, 1);
  }
  size_t nnames = 0;
  // Every name is checked before anything runs, so a bad one deletes nothing.
  for (; argv[nnames]; nnames++)
    if (!set_check_set_name(argv[nnames]))
      strerr_die(EXIT_USAGE, {"invalid set name: ", argv[nnames]});

  // tool, -v V, -r repodir, "--", the names, null
  smallbuf<char const*, 64> buf(7 + nnames);
  if (!buf) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});
  char const** v = buf.get();
  char fmt[UINT64_FMT];
  size_t n = kx_tool_head(v, "tuvo-set-delete", fmt, true);
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = "--";
  for (size_t i = 0; i < nnames; i++) v[n++] = argv[i];
  v[n] = nullptr;
  main_exec(v);
}
