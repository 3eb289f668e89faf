// The process group: supervised processes, through the scan directory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "commands/orvctl.h"
#include "lib/path.h"

void process(char const* const* argv);

void process_help(char const* const* argv);
void process_kill(char const* const* argv);
void process_restart(char const* const* argv);
void process_start(char const* const* argv);
void process_status(char const* const* argv);
void process_stop(char const* const* argv);

// A service's entry in the scan directory, scandir "/" name: in storage of
// its own, or written at p (process_dir_len(name) bytes), returning the byte
// after its NUL.
struct process_dir : path_join {
  explicit process_dir(char const* name) : path_join(g->scandir, "/", name) {}
};
size_t process_dir_len(char const* name);
char* process_dir_put(char* p, char const* name);
// Dies unless every service has a directory in the scan directory.
void process_check_services(char const* const* services, size_t n);
// Hands the n services to "orv-send" with opts (and -T when timeout is not 0).
[[noreturn]] void process_send_svc(char const* opts, char const* const* services, size_t n,
                                   uint32_t timeout);
