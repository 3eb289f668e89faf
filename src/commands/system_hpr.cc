// halt, poweroff (also shutdown) and reboot need a system-init package
// that this build lacks: each says so and fails.
#include "commands/system.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

namespace {

[[noreturn]] void system_hpr(char const* name) {
  strerr_die(EXIT_USAGE, {"orv system ", name, " needs orvctl to be built with kolm support"});
}

}  // namespace

void system_halt(char const* const*) {
  system_hpr("halt");
}
void system_poweroff(char const* const*) {
  system_hpr("poweroff");
}
void system_reboot(char const* const*) {
  system_hpr("reboot");
}
