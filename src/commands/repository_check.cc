#include "commands/repository.h"
#include "commands/set.h"

// Every set of the repository: no "--" and no set name.
void repository_check(char const* const* argv) {
  exec_set_fix(argv, nullptr);
}
