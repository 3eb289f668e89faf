// Not built yet: answers with the group's usage line.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void live_start_everything(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {live_usage});
}
