#include "commands/kx.h"
#include "commands/main.h"

void main_version(char const* const*) {
  kx_print_and_exit("orvctl v" ORV_VERSION "\n");
}
