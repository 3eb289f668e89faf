#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

char const process_usage[] =
    "orv process [ process options ] subcommand [ subcommand options ] services... Type \"orv "
    "process help\" for details.";

namespace {

constexpr command commands[] = {
    {"help", &process_help},   {"kill", &process_kill},     {"restart", &process_restart},
    {"start", &process_start}, {"status", &process_status}, {"stop", &process_stop},
};
static_assert(commands_sorted(commands));

}  // namespace

// Not written yet: answers with the group's usage line.
void process_help(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {process_usage});
}

void process(char const* const* argv) {
  kx_dispatch(argv, commands, process_usage);
}
