// The hand-off to outside tools: exec or spawn with the front end's own
// configuration variables taken out of the tool's environment.
#include "commands/orvctl.h"
#include "lib/env.h"
#include "lib/exec.h"
#include "lib/spawn.h"

extern char** environ;

void main_exec(char const* const* argv) {
  char const* const* envp = environ;
  xmexec_afm(argv[0], argv, envp, env_len(envp), kx_config_vars, sizeof kx_config_vars);
}

void main_pretty_exec(char const* const* argv) {
  main_exec(argv);
}

pid_t main_spawn(char const* const* argv) {
  char const* const* envp = environ;
  return xmspawn_afm(argv[0], argv, envp, env_len(envp), kx_config_vars, sizeof kx_config_vars, 0,
                     nullptr, 0);
}
