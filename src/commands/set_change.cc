// Not built yet: answers with the group's usage line.
#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void set_enable(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
void set_disable(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
void set_mask(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
void set_unmask(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
void set_make_essential(char const* const*) {
  strerr_dieusage(EXIT_USAGE, {set_usage});
}
