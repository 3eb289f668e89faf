#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

char const set_usage[] =
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

// Not written yet: answers with the group's usage line.
void set_help(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}

void set(char const* const* argv) {
  kx_dispatch(argv, commands, set_usage);
}
