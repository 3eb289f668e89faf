#include "commands/kx.h"
#include "commands/main.h"

void main_version(char const* const*) {
  kx_print_and_exit("orvctl v0.0.1.1\n");
}
