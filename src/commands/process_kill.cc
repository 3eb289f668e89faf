// process kill: signals "orv-send" has a letter for go through it; any other
// signal goes to the kill helper with the pids read from the status records,
// under "orv-await" when the command is to wait for the daemons to die.
#include <signal.h>

#include "commands/equote.h"
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/process.h"
#include "data/orv_svstatus.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/sig.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

namespace {

enum : uint64_t { WAIT = 0x1 };
enum : uint32_t { SIGNAL, TIMEOUT, NSLOTS };

constexpr gol_bool rgolb[] = {
    {0, WAIT, "no-wait", 'W'},
    {WAIT, 0, "wait", 'w'},
};
constexpr gol_arg rgola[] = {
    {"signal", SIGNAL, 's'},
    {"timeout", TIMEOUT, 't'},
};

struct native {
  int sig;
  char opt[2][5];  // "-X", and "-XwD" when waiting
};

constexpr native natives[] = {
    {SIGHUP, {"-h", "-hwD"}},   {SIGINT, {"-i", "-iwD"}},  {SIGQUIT, {"-q", "-qwD"}},
    {SIGABRT, {"-b", "-bwD"}},  {SIGKILL, {"-k", "-kwD"}}, {SIGALRM, {"-a", "-awD"}},
    {SIGTERM, {"-t", "-twD"}},  {SIGSTOP, {"-p", "-pwD"}}, {SIGCONT, {"-c", "-cwD"}},
    {SIGWINCH, {"-y", "-ywD"}}, {SIGUSR1, {"-1", "-1wD"}}, {SIGUSR2, {"-2", "-2wD"}},
};

native const* find_native(int sig) {
  for (native const& n : natives)
    if (n.sig == sig) return &n;
  return nullptr;
}

[[noreturn]] void process_kill_hack_kill(int sig, char const* const* services, size_t n,
                                         unsigned wait, uint32_t timeout) {
  char sigfmt[UINT64_FMT];
  sigfmt[uint64_fmt_generic(sigfmt, static_cast<uint32_t>(sig), 10)] = 0;
  if (g->verbosity)
    strerr_warn(
        {"signal ", sigfmt, " is not natively supported by orv-send, cannot ensure reliability"});

  // Service directories for the status reads, and the block for orv-await.
  size_t dirspace = 0;
  for (size_t i = 0; i < n; i++) dirspace += process_dir_len(services[i]);
  size_t const blockspace = wait ? kx_equote_space(services, n, g->scandir) : 0;
  smallbuf<char, 1024> dirs(dirspace);
  smallbuf<char, 1024> block(blockspace);
  smallbuf<char, 256> pids(n * UINT64_FMT);
  if (!dirs || !block || !pids) kx_die_argv();
  // orv-await -D [-t T] --, helper, signal; at run time n + 1 block
  // elements and n pids.
  argv_heap<8> v(2 * n + 1);
  if (!v) kx_die_argv();
  char tfmt[UINT64_FMT];
  if (wait && timeout) tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
  auto await = v.start()
                   .add_if(wait, "orv-await", "-D")
                   .add_if(wait && timeout, "-t", tfmt)
                   .add_if(wait, "--");
  if (wait) {
    char const** const q = await.reserve(n + 1);
    if (!q) kx_die_argv();
    kx_equote(q, services, n, g->scandir, block.get());
  }
  auto a = await.add(ORV_HELPER_KILL, sigfmt);

  char* d = dirs.get();
  char* p = pids.get();
  for (size_t i = 0; i < n; i++) {
    char* const dir = d;
    d = process_dir_put(d, services[i]);

    orv_svstatus_t status;
    if (!orv_svstatus_read(dir, &status))
      strerr_diesys(EXIT_SYSTEM, {"unable to ", "read status file for service ", dir});
    if (!status.pid_field || (status.flags & ORV_SVSTATUS_FLAG_NOSIGNAL)) continue;
    if (!orv_svstatus_pid_ok(status)) {
      // Handed to kill(), a negative pid would address a process group or
      // every process we may signal, and a cut one some unrelated process:
      // a damaged record names no process.
      if (g->verbosity) {
        char bad[UINT64_FMT];
        bad[status.pid_field >> 32 ? uint64_fmt_generic(bad, status.pid_field, 10)
                                   : int64_fmt_generic(bad, status.pid, 10)] = 0;
        strerr_warn({"ignoring invalid pid ", bad, " in status file for service ", dir});
      }
      continue;
    }
    a.push(p);
    p += int64_fmt_generic(p, status.pid, 10);
    *p++ = 0;
  }
  main_exec(kx_argv(a.end()));
}

}  // namespace

void process_kill(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  argv += gol_argv<rgolb, rgola>(argv, &flags, values);
  size_t const n = kx_operands(argv,
                               "orv process kill [ --signal=sig ] [ --timeout=millisecs ] "
                               "[ --wait | --no-wait ] services...");
  int sig = SIGTERM;
  if (values[SIGNAL] && !sig0_scan(values[SIGNAL], &sig))
    strerr_die(EXIT_USAGE, {"--signal= argument must be the name or number of a signal"});
  uint32_t const timeout = kx_timeout(values[TIMEOUT], KX_TIMEOUT_PROCESS);
  process_check_services(argv, n);
  unsigned const wait = flags & WAIT;
  if (native const* nat = find_native(sig)) process_send_svc(nat->opt[wait], argv, n, timeout);
  process_kill_hack_kill(sig, argv, n, wait, timeout);
}
