// Not built yet: answers with the group's usage line.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void system_boot(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {orvsystem_usage});
}
