// The hand-off to outside tools: exec or spawn with the front end's own
// configuration variables taken out of the tool's environment.
#include "commands/orvctl.h"
#include "lib/env.h"
#include "lib/exec.h"
#include "lib/spawn.h"

extern char** environ;

// Each name ends with a NUL; a bare name removes the variable.
char const kx_config_vars[] = "scandir\0livedir\0repodir\0bootdb\0stmpdir\0storelist\0verbosity";
static_assert(sizeof kx_config_vars == kx_config_vars_len);

void main_exec(char const* const* argv) {
  char const* const* envp = environ;
  xmexec_afm(argv[0], argv, envp, env_len(envp), kx_config_vars, kx_config_vars_len);
}

void main_pretty_exec(char const* const* argv) {
  main_exec(argv);
}

pid_t main_spawn(char const* const* argv) {
  char const* const* envp = environ;
  return xmspawn_afm(argv[0], argv, envp, env_len(envp), kx_config_vars, kx_config_vars_len, 0,
                     nullptr, 0);
}
