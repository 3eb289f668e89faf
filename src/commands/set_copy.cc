// Not built yet: answers with the group's usage line.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void set_save(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
void set_load(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
