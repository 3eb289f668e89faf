#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

char const live_usage[] =
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

// Not written yet: answers with the group's usage line.
void live_help(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {live_usage});
}

void live(char const* const* argv) {
  kx_dispatch(argv, commands, live_usage);
}
