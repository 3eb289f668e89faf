// process restart: "orv-send" -r, or -rwR to return once the daemon is ready again.
#include "commands/kx.h"
#include "commands/process.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { WAIT = 0x1 };
enum : uint32_t { TIMEOUT, NSLOTS };

constexpr gol_bool rgolb[] = {
    {0, WAIT, "no-wait", 'W'},
    {WAIT, 0, "wait", 'w'},
};
constexpr gol_arg rgola[] = {
    {"timeout", TIMEOUT, 't'},
};

}  // namespace

void process_restart(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  argv += gol_argv<rgolb, rgola>(argv, &flags, values);
  size_t const n = kx_operands(argv,
                               "orv process restart [ -W|--no-wait | -w|--wait ] "
                               "[ -t timeout | --timeout=timeout ] services...");
  uint32_t const timeout = kx_timeout(values[TIMEOUT], KX_TIMEOUT_PROCESS);
  process_check_services(argv, n);
  process_send_svc(flags & WAIT ? "-rwR" : "-r", argv, n, timeout);
}
