// The entry point: configuration from defaults, environment and global
// options, then the command word.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "commands/handoff.h"
#include "commands/live.h"
#include "commands/main.h"
#include "commands/orvctl.h"
#include "commands/process.h"
#include "commands/repository.h"
#include "commands/set.h"
#include "commands/system.h"
#include "lib/exitcode.h"
#include "lib/fd.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

constexpr command commands[] = {
    {"help", &main_help},        {"live", &live}, {"process", &process},
    {"repository", &repository}, {"set", &set},   {"system", &orvsystem},
    {"version", &main_version},
};
static_assert(commands_sorted(commands));

enum : uint64_t { GOLB_HELP = 1, GOLB_VERSION = 2 };

constexpr gol_bool rgolb[] = {
    {GOLB_HELP, 0, "help", 'h'},
    {GOLB_VERSION, 0, "version", 'V'},
};

enum {
  GOLA_SCANDIR,
  GOLA_LIVEDIR,
  GOLA_REPODIR,
  GOLA_BOOTDB,
  GOLA_STMPDIR,
  GOLA_STORELIST,
  GOLA_VERBOSITY,
  GOLA_COLOR,
  GOLA_N
};

constexpr gol_arg rgola[] = {
    {"scandir", GOLA_SCANDIR, 's'},     {"livedir", GOLA_LIVEDIR, 'l'},
    {"repodir", GOLA_REPODIR, 'r'},     {"bootdb", GOLA_BOOTDB, 'c'},
    {"stmpdir", GOLA_STMPDIR, 0},       {"storelist", GOLA_STORELIST, 0},
    {"verbosity", GOLA_VERBOSITY, 'v'}, {"color", GOLA_COLOR, 0},
};

char const usage[] =
    "orv [ generic options ] command [ command options ] command_arguments... "
    "Type \"orv help\" for details.";

globals_t record;

static_assert(KX_CONFIG_VARS == GOLA_COLOR);

}  // namespace

int main(int argc, char** cargv) {
  fd_std_fill();  // before anything is opened
  char const* const* argv = cargv;
  record = *g;  // the compiled-in defaults
  g = &record;

  char const* slots[GOLA_N] = {};
  kx_config_read(slots);
  uint64_t flags = 0;
  PROG = "orvctl";
  argv += gol_main<rgolb, rgola>(argc, argv, &flags, slots);

  if (slots[GOLA_VERBOSITY] && !uint320_scan_base(slots[GOLA_VERBOSITY], &record.verbosity, 10))
    strerr_die(EXIT_USAGE, {"verbosity must be an unsigned integer"});
  if (flags & GOLB_VERSION) main_version(argv);
  if (flags & GOLB_HELP) main_help(argv);

  char const** fields[] = {&record.scandir, &record.livedir, &record.repodir,
                           &record.bootdb,  &record.stmpdir, &record.storelist};
  for (size_t i = 0; i < sizeof fields / sizeof *fields; i++)
    if (slots[i]) *fields[i] = slots[i];

  if (isatty(1))
    record.flags |= GOLB_ISATTY;
  else
    record.flags &= ~GOLB_ISATTY;
  char const* color = slots[GOLA_COLOR];
  if (!color || !strcmp(color, "auto")) {
    record.flags = (record.flags & ~GOLB_COLOR) | (record.flags & GOLB_ISATTY ? GOLB_COLOR : 0);
  } else if (!strcmp(color, "yes")) {
    record.flags |= GOLB_COLOR;
  } else if (!strcmp(color, "no")) {
    record.flags &= ~GOLB_COLOR;
  } else {
    strerr_die(EXIT_USAGE, {"--color value must be yes, no, or auto"});
  }

  command const* c = *argv ? command_find(commands, *argv) : nullptr;
  if (!c) strerr_dieusage(EXIT_USAGE, {usage});
  c->handler(argv + 1);
  _exit(EXIT_HANDLER_RETURNED);
}
