// live start, stop and restart: the front end holds the service manager's
// locks itself, runs the change tool with its locking off, and after a
// failed run tells what changed anyway.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/live.h"
#include "commands/orvctl.h"
#include "data/tuvo_live.h"
#include "lib/argv.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"
#include "lib/wait.h"

namespace {

namespace parse_options {
enum : uint64_t { DRY_RUN = 1 };
enum : uint32_t { TIMEOUT, NSLOTS };
constexpr gol_bool rgolb[] = {
    {DRY_RUN, 0, "dry-run", 'n'},
};
constexpr gol_arg rgola[] = {
    {"timeout", TIMEOUT, 't'},
};
}  // namespace parse_options

[[noreturn]] void die_nomem(char const* what) {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "allocate storage for ", what});
}

// What start, stop and restart share once the locks are held.
struct request {
  char const* const* names;
  size_t nnames;
  unsigned dryrun;
  uint32_t timeout;
  uint32_t statesize;
};

// Options, names, compiled path, both locks and the state length; dies on
// any failure with the diagnostics the three commands share.
void prepare(char const* const* argv, char const* usage, path_join const& compiled, request* req) {
  uint64_t flags = 0;
  char const* values[parse_options::NSLOTS] = {};
  unsigned const skip = gol_argv<parse_options::rgolb, parse_options::rgola>(argv, &flags, values);
  uint32_t const timeout = kx_timeout(values[parse_options::TIMEOUT], KX_TIMEOUT_LIVE);
  char const* const* names = argv + skip;
  size_t const nnames = kx_operands(names, usage);

  if (!compiled) die_nomem("the compiled path");

  // Held until the process exits; the descriptors are close-on-exec.
  int livefd, compiledfd;
  if (!tuvo_lock(g->livedir, TUVO_LOCK_EXCLUSIVE, &livefd, compiled.get(), TUVO_LOCK_SHARED,
                 &compiledfd, 1))
    strerr_diesys(EXIT_SYSTEM, {"unable to ", "take lock in ", g->livedir});
  uint32_t nlongrun, ncommand;
  if (!tuvo_live_state_size(g->livedir, &nlongrun, &ncommand))
    strerr_diesys(EXIT_SYSTEM, {"unable to ", "read state size in ", g->livedir});

  req->names = names;
  req->nnames = nnames;
  req->dryrun = flags & parse_options::DRY_RUN;
  req->timeout = timeout;
  req->statesize = nlongrun + ncommand;  // the sum is known to fit
}

[[noreturn]] void die_state() {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "read state in ", g->livedir});
}

// The state length comes from a file someone else wrote: a state file too
// short for it fails here, before any storage is taken for the snapshots.
void check_state_length(uint32_t statesize) {
  if (tuvo_live_state_check(g->livedir, statesize)) return;
  if (errno == ENOMEM) die_nomem("the state path");
  die_state();
}

// While the change tool runs, a termination signal sent to the front end
// alone goes on to the tool, and the front end waits for the tool's end as
// usual: dying at once would free the locks under a running change. Once
// the tool has ended the signals take their default action again. A signal
// ignored at entry is left alone, so that the tool inherits the ignoring.
volatile sig_atomic_t tool_pid;  // the tool being waited for, 0 when none
volatile sig_atomic_t pending;   // caught while no tool ran, not yet acted on
volatile sig_atomic_t caught;    // any of them caught since the first run
volatile sig_atomic_t leader;    // the front end leads its session

constexpr int forwarded[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
bool relaying[sizeof forwarded / sizeof forwarded[0]];

// Whether another process sent the signal (kill, sigqueue, a thread's
// kill) rather than the terminal or the kernel.
bool from_process(int code) {
  if (code == SI_USER || code == SI_QUEUE) return true;
#ifdef SI_TKILL
  if (code == SI_TKILL) return true;
#endif
#ifdef SI_LWP
  if (code == SI_LWP) return true;
#endif
  return false;
}

// Whether the signal has reached the tool by itself: the terminal's
// interrupt and quit go to the whole foreground group, the tool included,
// and so does the kernel's hangup, except the one a session leader gets
// alone when its terminal goes away.
bool reached_tool(int sig, int code) {
  if (from_process(code)) return false;
  if (sig == SIGHUP) return !leader;
  return sig == SIGINT || sig == SIGQUIT;
}

extern "C" void forward(int sig, siginfo_t* info, void*) {
  caught = sig;
  pid_t const pid = tool_pid;
  if (!pid) {
    pending = sig;
    return;
  }
  if (reached_tool(sig, info->si_code)) return;
  int const e = errno;
  kill(pid, sig);
  errno = e;
}

void forward_signals() {
  leader = getsid(0) == getpid();
  struct sigaction sa {};
  sa.sa_sigaction = forward;
  sa.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&sa.sa_mask);
  for (int sig : forwarded) sigaddset(&sa.sa_mask, sig);
  for (size_t i = 0; i < sizeof forwarded / sizeof forwarded[0]; ++i) {
    struct sigaction old;
    relaying[i] = sigaction(forwarded[i], nullptr, &old) == 0 && old.sa_handler == SIG_DFL &&
                  sigaction(forwarded[i], &sa, nullptr) == 0;
  }
}

// No tool runs any more: the signals end the front end as usual, one
// caught meanwhile included.
void stop_forwarding() {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (size_t i = 0; i < sizeof forwarded / sizeof forwarded[0]; ++i)
    if (relaying[i]) sigaction(forwarded[i], &dfl, nullptr);
  if (int const sig = pending) {
    pending = 0;
    (void)raise(sig);
  }
}

[[noreturn]] void die_wait() {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "wait for tuvo"});
}

// Waits for the tool and collects its status. It stays unreaped until the
// handler no longer sees its pid: once reaped, the pid may be another
// process's by the time a signal comes.
int wait_tool(pid_t pid) {
  siginfo_t info;
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0)
    if (errno != EINTR) die_wait();
  tool_pid = 0;
  int wstat;
  if (waitpid_nointr(pid, &wstat, 0) < 0) die_wait();
  stop_forwarding();
  return wstat;
}

int run(request const& req, int up, char const* compiled) {
  return run_tuvo_change(req.names, req.nnames, up, req.dryrun, req.timeout, req.statesize,
                         compiled);
}

}  // namespace

int run_tuvo_change(char const* const* names, size_t nnames, int up, unsigned dryrun,
                    uint32_t timeout, uint32_t statesize, char const* compiled) {
  check_state_length(statesize);
  // Both snapshots are taken up front, so that a failed run is never left
  // unreported for want of memory.
  bool const report = g->verbosity != 0;
  smallbuf<char, 1024> snapshots(report ? 2 * size_t{statesize} : statesize);
  if (!snapshots) die_nomem("state snapshots");
  char* const before = snapshots.get();
  char* const after = before + statesize;
  if (!tuvo_live_state_read(g->livedir, before, statesize)) die_state();

  argv_heap<12> v(nnames);
  if (!v) die_nomem("the tool's arguments");
  char vfmt[UINT64_FMT];
  char tfmt[UINT64_FMT];
  vfmt[uint64_fmt_generic(vfmt, g->verbosity, 10)] = 0;
  if (timeout) tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
  auto a = v.start()
               .add("tuvo", "--no-lock", "-v", vfmt)
               .add_if(timeout, "-t", tfmt)
               .add_if(dryrun, "-n1")
               .add("-l", g->livedir, "--", up ? "start" : "stop")
               .add_all(names, nnames);

  forward_signals();
  pid_t const pid = main_spawn(kx_argv(a.end()));
  tool_pid = pid;
  if (int const sig = pending) {
    pending = 0;
    kill(pid, sig);
  }
  int const wstat = wait_tool(pid);

  if (!(WIFEXITED(wstat) && WEXITSTATUS(wstat) == 0) && report) {
    if (!tuvo_live_state_read(g->livedir, after, statesize)) die_state();
    kx_report_state_change(statesize, before, after, compiled, up);
  }
  return wait_estatus(wstat);
}

int live_startstop(char const* const* argv, int up) {
  path_join const compiled = tuvo_live_compiled(g->livedir);
  request req;
  prepare(argv, up ? "orv live start services..." : "orv live stop services...", compiled, &req);
  return run(req, up, compiled.get());
}

void live_start(char const* const* argv) {
  _exit(live_startstop(argv, 1));
}

void live_stop(char const* const* argv) {
  _exit(live_startstop(argv, 0));
}

void live_restart(char const* const* argv) {
  path_join const compiled = tuvo_live_compiled(g->livedir);
  request req;
  prepare(argv, "orv live restart services...", compiled, &req);
  // One pair of locks over both runs; no start after a failed stop, nor
  // after a signal asked the front end to end.
  int r = run(req, 0, compiled.get());
  if (!r && caught) r = 128 + caught;
  if (!r) r = run(req, 1, compiled.get());
  _exit(r);
}
