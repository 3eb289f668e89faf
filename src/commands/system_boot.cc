// system boot: run the service manager's initialiser, wait for it, then
// become start-everything on the bundle to boot.
#include <unistd.h>

#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/live.h"
#include "commands/orvctl.h"
#include "commands/system.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"
#include "lib/wait.h"

namespace {

enum : uint64_t { DRY_RUN = 1 };
enum : uint32_t { PREFIX, TIMEOUT, BUNDLE, NSLOTS };

constexpr gol_bool rgolb[] = {
    {DRY_RUN, 0, "dry-run", 'n'},
};
constexpr gol_arg rgola[] = {
    {"prefix", PREFIX, 'p'},
    {"timeout", TIMEOUT, 't'},
    {"default-bundle", BUNDLE, 'D'},
};

// Returns only when "tuvo-init" succeeded; otherwise the boot ends here with
// an exit code taken from the initialiser's status.
void system_init_spawn(char const* prefix) {
  static constexpr char tool[] = "tuvo-init";
  argv_fixed<11> v;
  pid_t const pid = main_spawn(v.start()
                                   .add(tool)
                                   .add_if(prefix, "-p", prefix)
                                   .add("-l", g->livedir, "-c", g->bootdb, "-b", "--", g->scandir)
                                   .end());
  int wstat;
  if (waitpid_nointr(pid, &wstat, 0) != pid)
    strerr_diesys(EXIT_SYSTEM, {"unable to ", "wait for ", tool});
  if (int const code = wait_estatus(wstat)) strerr_die(code, {tool, " failed"});
}

}  // namespace

void system_boot(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {nullptr, nullptr, "default"};
  gol_argv<rgolb, rgola>(argv, &flags, values);  // operands are ignored
  uint32_t const timeout = kx_timeout(values[TIMEOUT], KX_TIMEOUT_SYSTEM);
  // A dry run still initialises: only the start is shown rather than done.
  system_init_spawn(values[PREFIX]);
  exec_live_start_everything(timeout, flags & DRY_RUN, values[BUNDLE]);
}
