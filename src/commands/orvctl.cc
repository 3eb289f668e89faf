// The entry point: configuration from defaults, environment and global
// options, then the command word.
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "commands/exitcode.h"
#include "commands/handoff.h"
#include "commands/live.h"
#include "commands/main.h"
#include "commands/orvctl.h"
#include "commands/process.h"
#include "commands/repository.h"
#include "commands/set.h"
#include "commands/system.h"
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

// The options' slots: the configuration variables', then --color.
enum : uint32_t { GOLA_COLOR = KX_CONFIG_VARS, GOLA_N };
constexpr uint32_t GOLA_VERBOSITY = [] {
  uint32_t i = 0;
  while (kx_config[i].path) i++;
  return i;
}();

constexpr std::array<gol_arg, GOLA_N> rgola = [] {
  std::array<gol_arg, GOLA_N> a{};
  for (uint32_t i = 0; i < KX_CONFIG_VARS; i++) a[i] = {kx_config[i].name, i, kx_config[i].letter};
  a[GOLA_COLOR] = {"color", GOLA_COLOR, 0};
  return a;
}();

char const usage[] =
    "orv [ generic options ] command [ command options ] command_arguments... "
    "Type \"orv help\" for details.";

globals_t record;

}  // namespace

int main(int argc, char** cargv) {
  fd_std_fill();  // before anything is opened
  // An ignored SIGCHLD, inherited, makes the kernel reap our children
  // before we can wait for them, and is handed on to the tools we run.
  (void)signal(SIGCHLD, SIG_DFL);  // cannot fail for a valid signal
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

  for (size_t i = 0; i < KX_CONFIG_VARS; i++)
    if (slots[i] && kx_config[i].path) record.*kx_config[i].path = slots[i];

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
