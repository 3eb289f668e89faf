// The hand-off to outside tools: exec or spawn with the front end's own
// configuration variables taken out of the tool's environment.
#include <array>
#include <cstring>
#include <string_view>

#include "commands/handoff.h"
#include "commands/orvctl.h"
#include "lib/env.h"
#include "lib/exec.h"
#include "lib/spawn.h"

extern char** environ;

namespace {

// The configuration variables' names in slot order.
constexpr std::array<std::string_view, KX_CONFIG_VARS> config_names = [] {
  std::array<std::string_view, KX_CONFIG_VARS> names{};
  for (size_t i = 0; i < KX_CONFIG_VARS; i++) names[i] = kx_config[i].name;
  return names;
}();
// kx_config_read passes over every other first letter.
static_assert([] {
  for (std::string_view name : config_names)
    if (name[0] < 'a' || name[0] > 'z') return false;
  return true;
}());

// The same names, each ended by a NUL: as a modification block, bare names
// that take them out of an environment.
constexpr size_t config_vars_size = [] {
  size_t n = 0;
  for (std::string_view name : config_names) n += name.size() + 1;
  return n;
}();
constexpr std::array<char, config_vars_size> config_vars = [] {
  std::array<char, config_vars_size> block{};
  size_t n = 0;
  for (std::string_view name : config_names) {
    for (char c : name) block[n++] = c;
    block[n++] = 0;
  }
  return block;
}();

}  // namespace

// One pass over the environment.
void kx_config_read(char const** slots) {
  for (char const* const* e = environ; *e; e++) {
    char const* v = *e;
    // Every name of ours starts with a lower-case letter, and most of an
    // environment's with an upper-case one: those are passed over at once.
    if (v[0] < 'a' || v[0] > 'z') continue;
    for (size_t slot = 0; slot < KX_CONFIG_VARS; slot++) {
      std::string_view const name = config_names[slot];
      if (v[0] == name[0] && !slots[slot] && !strncmp(v, name.data(), name.size()) &&
          v[name.size()] == '=')
        slots[slot] = v + name.size() + 1;
    }
  }
}

kx_tool_env::kx_tool_env()
    : env_merged(environ, env_len(environ), config_vars.data(), config_vars.size(),
                 KX_CONFIG_VARS) {}

void main_exec(char const* const* argv) {
  char const* const* envp = environ;
  xmexec_afm(argv[0], argv, envp, env_len(envp), config_vars.data(), config_vars.size());
}

void main_pretty_exec(char const* const* argv) {
  main_exec(argv);
}

pid_t main_spawn(char const* const* argv) {
  char const* const* envp = environ;
  return xmspawn_afm(argv[0], argv, envp, env_len(envp), config_vars.data(), config_vars.size(), 0,
                     nullptr, 0);
}
