#include "commands/system.h"
#include "commands/kx.h"
#include "commands/orvctl.h"

constexpr char orvsystem_usage[] =
    "orv system subcommand [ subcommand options ] [ services... ] Type \"orv system help\" for "
    "details.";

namespace {

constexpr command commands[] = {
    {"boot", &system_boot},         {"halt", &system_halt},     {"help", &system_help},
    {"poweroff", &system_poweroff}, {"reboot", &system_reboot}, {"shutdown", &system_poweroff},
};
static_assert(commands_sorted(commands));

}  // namespace

void system_help(char const* const*) {
  kx_print_and_exit(
      "Usage: orv system subcommand\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  boot\t\tinitialize the service manager and start default services\n"
      "\n"
      " plus, if orvctl has been built with kolm support:\n"
      "  halt\t\thalt the system (without powering it off)\n"
      "  poweroff\thalt the system, powering it off\n"
      "  shutdown\tsynonymous with poweroff\n"
      "  reboot\treboot the system\n"
      "\n"
      "No options.\n"
      "\n");
}

void orvsystem(char const* const* argv) {
  kx_dispatch(argv, commands, orvsystem_usage);
}
