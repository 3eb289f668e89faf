#include <unistd.h>
#include <cstdlib>

#include "commands/exitcode.h"
#include "commands/orvctl.h"
#include "lib/gol.h"
#include "lib/strerr.h"

command const* command_find(std::span<command const> table, char const* name) {
  return static_cast<command const*>(
      bsearch(name, table.data(), table.size(), sizeof(command), &stringkey_bcmp));
}

void kx_dispatch(char const* const* argv, std::span<command const> table, char const* usage) {
  argv += gol_argv(argv);
  command const* c = *argv ? command_find(table, *argv) : nullptr;
  if (!c) strerr_dieusage(EXIT_USAGE, {usage});
  c->handler(argv + 1);
  _exit(EXIT_HANDLER_RETURNED);
}
