#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

char const orvsystem_usage[] =
    "orv system subcommand [ subcommand options ] [ services... ] Type \"orv system help\" for "
    "details.";

namespace {

constexpr command commands[] = {
    {"boot", &system_boot},         {"halt", &system_halt},     {"help", &system_help},
    {"poweroff", &system_poweroff}, {"reboot", &system_reboot}, {"shutdown", &system_poweroff},
};
static_assert(commands_sorted(commands));

}  // namespace

// Not written yet: answers with the group's usage line.
void system_help(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {orvsystem_usage});
}

void orvsystem(char const* const* argv) {
  kx_dispatch(argv, commands, orvsystem_usage);
}
