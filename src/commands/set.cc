#include <cstring>

#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/set.h"

constexpr char set_usage[] =
    "orv set subcommand [ subcommand options ] [ services... ] Type \"orv set help\" for details.";

namespace {

constexpr command commands[] = {
    {"check", &set_check},     {"commit", &set_commit}, {"delete", &set_delete},
    {"disable", &set_disable}, {"enable", &set_enable}, {"help", &set_help},
    {"list", &set_list},       {"load", &set_load},     {"make-essential", &set_make_essential},
    {"mask", &set_mask},       {"save", &set_save},     {"status", &set_status},
    {"unmask", &set_unmask},
};
static_assert(commands_sorted(commands));

}  // namespace

namespace {

char const help_text[] =
    "Usage: orv set subcommand [ options ] [ arguments... ]\n"
    "\n"
    "Subcommands:\n"
    "  help\t\tthis message\n"
    "  save\t\tsave the current set under a user-provided name\n"
    "  load\t\tload a previously saved set\n"
    "  list\t\tlist services in the working set\n"
    "  status\tlist services in the working set with their rx\n"
    "  enable\tenable services\n"
    "  disable\tdisable services\n"
    "  mask\t\tmask services (hide them from the db entirely)\n"
    "  unmask\tunmask services (equivalent to \"disable\")\n"
    "  check\t\tcheck working set and fix inconsistencies\n"
    "  commit\tcommit working set (can then be installed)\n"
    "\n"
    "\n"
    "orv set save options:\n"
    "  -f\t\t--force\t\t\t\toverwrite named set if existing\n"
    "\n"
    "orv set load options: none\n"
    "\n"
    "orv set list options: none\n"
    "\n"
    "orv set status options:\n"
    "  -E\t\t--with-essentials\t\tshow all services, even essential ones (default)\n"
    "  -e\t\t--without-essentials\t\tdon't show essential services\n"
    "\n"
    "orv set enable|disable|mask|unmask options:\n"
    "  -f\t\t--ignore-dependencies\t\tonly change listed services\n"
    "  -n\t\t--dry-run\t\t\tshow what would happen, don't do\n"
    "  -I WHAT\t--if-dependencies-found=WHAT\tWHAT=warn (default) | fail | pull (dependencies "
    "will be brought to the same rx)\n"
    "\n"
    "orv set check options:\n" ORV_CHECK_OPTIONS_HELP
    "\n"
    "orv set commit options:\n"
    "  -f\t\t--force\t\t\t\tcompile db even if up-to-date\n"
    "  -K\t\t--keep-old\t\t\tkeep old db if any, print its path to stdout\n"
    "  -D BUN\t--default-bundle=BUN\t\tname of the bundle containing enabled+essential "
    "services\n"
    "  -h USER\t--fdholder-user=USER\t\tuser for the orv-fdholderd process (default=root, "
    "it's fine)\n"
    "\n";

// The rules shared by set and service names: no leading ".", no "/", no
// newline. The empty name passes.
bool name_ok(char const* name) {
  return name[0] != '.' && !strchr(name, '/') && !strchr(name, '\n');
}

}  // namespace

bool set_check_set_name(char const* name) {
  return name_ok(name) && strcmp(name, "current") != 0;
}

int set_check_service_names(char const* const* names, size_t count) {
  for (size_t i = 0; i < count; i++)
    if (!name_ok(names[i])) return 0;
  return 1;
}

void set_help(char const* const*) {
  kx_print_and_exit(help_text);
}

void set(char const* const* argv) {
  kx_dispatch(argv, commands, set_usage);
}
