#include "commands/live.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

constexpr char live_usage[] =
    "orv live subcommand [ subcommand options ] [ services... ] Type \"orv live help\" for "
    "details.";

namespace {

constexpr command commands[] = {
    {"help", &live_help},
    {"install", &live_install},
    {"restart", &live_restart},
    {"start", &live_start},
    {"start-everything", &live_start_everything},
    {"status", &live_status},
    {"stop", &live_stop},
    {"stop-everything", &live_stop_everything},
};
static_assert(commands_sorted(commands));

}  // namespace

// Written whatever follows "help".
void live_help(char const* const*) {
  kx_print_and_exit(
      "Usage: orv live subcommand [ options ] services...\n"
      "\n"
      "Subcommands:\n"
      "  help\t\t\tthis message\n"
      "  status\t\tread the status of a list of services\n"
      "  start\t\t\tstart a service (with all its dependencies)\n"
      "  stop\t\t\tstop a service (and everything depending on it)\n"
      "  restart\t\tstop, then start, a service, with dependencies\n"
      "  install\t\tinstall the latest committed service set\n"
      "  start-everything\tstart all the services enabled at boot\n"
      "  stop-everything\tstop all the non-essential services\n"
      "\n"
      "orv live status options:\n"
      "  -e\t\t--without-essentials\tignore essential services (default)\n"
      "  -E\t\t--with-essentials\talso list essential services\n"
      "\n"
      "orv live start, orv live stop, orv live restart, orv live stop-everything options:\n"
      "  -n\t\t--dry-run\t\tonly show what would be done, don't do it\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif not done after TIMEOUT milliseconds, abort\n"
      "\n"
      "orv live install options:\n"
      "  -b\t\t--block\t\t\ton contention, wait rather than fail\n"
      "  -K\t\t--keep-old\t\tkeep the old db and write its path to stdout\n"
      "  -e\t\t--force-essentials\tstop old essential services if needed (default)\n"
      "  -E\t\t--no-force-essentials\tkeep obsolete essential services up\n"
      "  -f FILE\t--conversion-file=FILE\tuse a conversion file from current to new set\n"
      "\t\t--init\t\t\tinstall the initial db. DO NOT USE WHEN LIVE.\n"
      "\n"
      "orv live start-everything options:\n"
      "  -n\t\t--dry-run\t\tonly show what would be done, don't do it\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif not done after TIMEOUT milliseconds, abort\n"
      "  -D BUN\t--default-bundle=BUN\tname of the bundle to start (\"default\")\n"
      "\n");
}

void live(char const* const* argv) {
  kx_dispatch(argv, commands, live_usage);
}
