#include "commands/repository.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"

constexpr char repository_usage[] =
    "orv repository subcommand [ subcommand options ] [ services... ] Type \"orv repository help\" "
    "for details.";

namespace {

constexpr command commands[] = {
    {"check", &repository_check}, {"help", &repository_help}, {"init", &repository_init},
    {"list", &repository_list},   {"sync", &repository_sync},
};
static_assert(commands_sorted(commands));

}  // namespace

void repository_help(char const* const*) {
  // The "check" line has spaces where the others have tabs.
  kx_print_and_exit(
      "Usage: orv repository subcommand [ options ]\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  init\t\tinitialize a service repository\n"
      "  sync\t\tsynchronize repository with stores\n"
      "  list\t\tlist names of saved service sets\n"
      "  check         check all sets and fix inconsistencies\n"
      "\n"
      "\n"
      "orv repository init options:\n"
      "  -f\t\t--force\t\t\tOverwrite existing repository\n"
      "  -U\t\t--update-stores\t\tUpdate existing repository with new stores\n"
      "  -h USER\t--fdholder-user\t\tSet USER as reference fdholder owner\n"
      "\n"
      "orv repository sync options:\n"
      "  -h USER\t--fdholder-user\t\tSet USER as reference fdholder owner\n"
      "\n"
      "orv repository list options: none\n"
      "\n"
      "orv repository check options:\n" ORV_CHECK_OPTIONS_HELP "\n");
}

void repository(char const* const* argv) {
  kx_dispatch(argv, commands, repository_usage);
}
