// Not built yet: answers with the group's usage line.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void live_start(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {live_usage});
}
void live_stop(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {live_usage});
}
void live_restart(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {live_usage});
}
