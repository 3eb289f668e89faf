// The hand-off to outside tools: exec or spawn with the front end's
// configuration variables taken out of the tool's environment, and the
// reading of those variables at start-up.
#pragma once

#include <sys/types.h>

#include <cstddef>

#include "lib/env.h"

// Hand-off. The configuration variables never reach a tool.
[[noreturn]] void main_exec(char const* const* argv);
[[noreturn]] void main_pretty_exec(char const* const* argv);
// Starts argv[0] as a child; returns its pid, never 0 (dies with 127/126).
pid_t main_spawn(char const* const* argv);

// kx_config_read fills slots[i] with the value of the configuration
// variable kx_config[i] (commands/orvctl.h) from the environment (the first
// entry of a name wins, as with getenv) and leaves absent ones alone.
void kx_config_read(char const** slots);

// The process's environment without the configuration variables, as the
// hand-off gives it to tools. get() is null (errno ENOMEM) when the storage
// cannot be had.
struct kx_tool_env : env_merged {
  kx_tool_env();
};
