// The hand-off to outside tools: exec or spawn with the front end's own
// configuration variables taken out of the tool's environment.
#include <array>
#include <cstring>
#include <string_view>

#include "commands/handoff.h"
#include "lib/env.h"
#include "lib/exec.h"
#include "lib/spawn.h"

extern char** environ;

namespace {

// The configuration variables, each name ended by a NUL: as a modification
// block, bare names that take them out of an environment.
constexpr char config_vars[] = "scandir\0livedir\0repodir\0bootdb\0stmpdir\0storelist\0verbosity";

// The same names in slot order, cut from the block.
constexpr std::array<std::string_view, KX_CONFIG_VARS> config_names = [] {
  std::array<std::string_view, KX_CONFIG_VARS> names{};
  std::string_view rest(config_vars, sizeof config_vars);
  for (std::string_view& name : names) {
    name = rest.substr(0, rest.find('\0'));
    rest.remove_prefix(name.size() + 1);
  }
  return names;
}();
static_assert(config_names.back() == "verbosity");

}  // namespace

// One pass over the environment.
void kx_config_read(char const** slots) {
  for (char const* const* e = environ; *e; e++) {
    char const* v = *e;
    for (size_t slot = 0; slot < KX_CONFIG_VARS; slot++) {
      std::string_view const name = config_names[slot];
      if (v[0] == name[0] && !slots[slot] && !strncmp(v, name.data(), name.size()) &&
          v[name.size()] == '=')
        slots[slot] = v + name.size() + 1;
    }
  }
}

kx_tool_env::kx_tool_env()
    : env_merged(environ, env_len(environ), config_vars, sizeof config_vars, KX_CONFIG_VARS) {}

void main_exec(char const* const* argv) {
  char const* const* envp = environ;
  xmexec_afm(argv[0], argv, envp, env_len(envp), config_vars, sizeof config_vars);
}

void main_pretty_exec(char const* const* argv) {
  main_exec(argv);
}

pid_t main_spawn(char const* const* argv) {
  char const* const* envp = environ;
  return xmspawn_afm(argv[0], argv, envp, env_len(envp), config_vars, sizeof config_vars, 0,
                     nullptr, 0);
}
