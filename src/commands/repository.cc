#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

char const repository_usage[] =
    "orv repository subcommand [ subcommand options ] [ services... ] Type \"orv repository help\" "
    "for details.";

namespace {

constexpr command commands[] = {
    {"check", &repository_check}, {"help", &repository_help}, {"init", &repository_init},
    {"list", &repository_list},   {"sync", &repository_sync},
};
static_assert(commands_sorted(commands));

}  // namespace

// Not written yet: answers with the group's usage line.
void repository_help(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {repository_usage});
}

void repository(char const* const* argv) {
  kx_dispatch(argv, commands, repository_usage);
}
