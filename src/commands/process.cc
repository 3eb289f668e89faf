#include "commands/process.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

constexpr char process_usage[] =
    "orv process [ process options ] subcommand [ subcommand options ] services... Type \"orv "
    "process help\" for details.";

namespace {

constexpr command commands[] = {
    {"help", &process_help},   {"kill", &process_kill},     {"restart", &process_restart},
    {"start", &process_start}, {"status", &process_status}, {"stop", &process_stop},
};
static_assert(commands_sorted(commands));

}  // namespace

// Written whatever follows "help".
void process_help(char const* const*) {
  kx_print_and_exit(
      "Usage: orv process subcommand [ options ] longruns...\n"
      "\n"
      " Send commands to *processes* at the orv supervision level.\n"
      "(supervised long-running processes only - not services at the\n"
      "tuvo level. This is useful e.g. to restart a process without\n"
      "stopping then starting things depending on it.)\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  start\t\tstart a supervised process without impacting its official state\n"
      "  stop\t\tstop a supervised process without impacting its official state\n"
      "  restart\trestart a supervised process\n"
      "  kill\t\tsend a signal to a supervised process\n"
      "  status\tread the status of a supervised process\n"
      "\n"
      "orv process start and orv process stop options:\n"
      "  -P\t\t--no-permanent\t\tdon't override the official state if the daemon dies\n"
      "\t\t\t\t\t(i.e. if the service manager says the service should be\n"
      "\t\t\t\t\tdown, do not restart the daemon; if it says the service\n"
      "\t\t\t\t\tshould be up, do restart it). This is the default.\n"
      "  -p\t\t--permanent\t\toverride the official state: \"orv process start foo\" will\n"
      "\t\t\t\t\tkeep foo up even if the live status says otherwise\n"
      "  -W\t\t--no-wait\t\texit without waiting for service readiness\n"
      "  -w\t\t--wait\t\t\tonly exit once the daemon is ready or confirmed dead\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif -w: give up if not ready after TIMEOUT milliseconds\n"
      "\n"
      "orv process restart options:\n"
      "  -W\t\t--no-wait\t\texit without waiting for service readiness\n"
      "  -w\t\t--wait\t\t\tonly exit once the daemon is ready again\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif -w: give up if not ready after TIMEOUT milliseconds\n"
      "\n"
      "orv process kill options:\n"
      "  -W\t\t--no-wait\t\texit without waiting for service readiness\n"
      "  -w\t\t--wait\t\t\tonly exit once the daemon is ready again, if applicable\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif -w: give up if not ready after TIMEOUT milliseconds\n"
      "  -s SIGNAL\t--signal=SIGNAL\t\tsend signal SIGNAL rather than the default (prob. "
      "SIGTERM)\n"
      "\n"
      "orv process status options:\n"
      "\n"
      "  -L\t\t--without-logs\t\tonly list the status of longruns given as arguments (default)\n"
      "  -l\t\t--with-logs\t\talso list status for service/log. This has no effect\n"
      "\t\t\t\t\ton services that have loggers declared in tuvo, for these\n"
      "\t\t\t\t\tyou need to list the logger explicitly.\n"
      "\n");
}

void process(char const* const* argv) {
  kx_dispatch(argv, commands, process_usage);
}
