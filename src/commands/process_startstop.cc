// process start and stop: one "orv-send" letter set per combination of
// direction, --permanent and --wait.
#include "commands/kx.h"
#include "commands/process.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { PERMANENT = 0x2, WAIT = 0x4 };
enum : uint32_t { TIMEOUT, NSLOTS };

constexpr gol_bool rgolb[] = {
    {0, PERMANENT, "no-permanent", 'P'},
    {PERMANENT, 0, "permanent", 'p'},
    {0, WAIT, "no-wait", 'W'},
    {WAIT, 0, "wait", 'w'},
};
constexpr gol_arg rgola[] = {
    {"timeout", TIMEOUT, 't'},
};

// Indexed by (1 for start) + PERMANENT + WAIT.
constexpr char const* svcopts[8] = {"-d", "-u", "-D", "-U", "-dwD", "-uwU", "-DwD", "-UwU"};

[[noreturn]] void process_startstop(char const* const* argv, unsigned up, char const* usage) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  argv += gol_argv<rgolb, rgola>(argv, &flags, values);
  size_t const n = kx_operands(argv, usage);
  uint32_t const timeout = kx_timeout(values[TIMEOUT], KX_TIMEOUT_PROCESS);
  process_check_services(argv, n);
  process_send_svc(svcopts[up + (flags & (PERMANENT | WAIT))], argv, n, timeout);
}

}  // namespace

void process_start(char const* const* argv) {
  process_startstop(argv, 1,
                    "orv process start [ --permanent ] [ --wait ] [ --timeout=millisecs ] "
                    "services...");
}

void process_stop(char const* const* argv) {
  process_startstop(argv, 0,
                    "orv process stop [ --permanent ] [ --wait ] [ --timeout=millisecs ] "
                    "services...");
}
