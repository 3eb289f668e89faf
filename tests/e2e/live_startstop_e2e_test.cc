// live start, stop and restart against a sandbox live directory and the
// working change stand-in: dependencies move, failed runs are reported by
// name, the lock is waited for, and concurrent runs never overlap.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

using namespace orvtest;

namespace {

using vec = std::vector<std::string>;

// Longruns db, cache, web (indices 0 to 2), then oneshots mount and net.
char const kServices[] =
    "longrun db\n"
    "longrun cache\n"
    "longrun web deps db cache\n"
    "oneshot mount\n"
    "oneshot net deps mount\n"
    "bundle site web net\n"
    "bundle all db cache web mount net\n";

class LiveSandbox : public testing::Test {
 protected:
  void SetUp() override {
    mkdir(tb.c_str(), 0755);
    write_file(t / "services", kServices);
    vec const env = {"PATH=" + testbed_bin() + ":/usr/bin:/bin"};
    result r = run({testbed_bin() + "/tb-tuvo-compile", t / "services", t / "compiled"}, env);
    ASSERT_EQ(r.code, 0) << r.err;
    r = run({testbed_bin() + "/tuvo-init", "-l", live, "-c", t / "compiled", "--", t / "scan"},
            env);
    ASSERT_EQ(r.code, 0) << r.err;
  }

  vec orv(vec args) const {
    vec argv = {orv_path(), "-l", live};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }

  result live_cmd(vec args, vec extra_env = {}) const {
    return run(orv(std::move(args)), testbed_env(tb, extra_env));
  }

  // The state as one character per service, in index order.
  std::string state() const {
    std::string s = read_file(live + "/state");
    for (char& c : s) c = static_cast<char>('0' + (c & 1));
    return s;
  }

  void set_state(std::string const& bits) const {
    std::string s = bits;
    for (char& c : s) c = static_cast<char>(c - '0');
    write_file(live + "/state", s);
  }

  std::vector<vec> tuvo_calls() const {
    std::vector<vec> r;
    for (auto const& c : tb::read_log(tb)) r.push_back(c.argv);
    return r;
  }

  tempdir t;
  std::string const live = t / "live";
  std::string const tb = t / "tb";
};

std::string const kUp = "orvctl: info: the following atomic services have been brought up:\n";
std::string const kDown = "orvctl: info: the following atomic services have been brought down:\n";

TEST_F(LiveSandbox, StartStopAndRestartMoveDependencies) {
  result r = live_cmd({"live", "start", "site"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(state(), "11111");

  r = live_cmd({"live", "stop", "db"});  // web needs db
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(state(), "01011");

  r = live_cmd({"live", "restart", "cache", "web"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(state(), "11111");
  auto calls = tuvo_calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[2],
            (vec{"tuvo", "--no-lock", "-v", "1", "-l", live, "--", "stop", "cache", "web"}));
  EXPECT_EQ(calls[3],
            (vec{"tuvo", "--no-lock", "-v", "1", "-l", live, "--", "start", "cache", "web"}));
}

TEST_F(LiveSandbox, FailedRunsNameWhatChangedAnyway) {
  struct {
    char const* name;
    std::string initial;
    vec args;
    char const* fail;
    int code;
    std::string out;
    std::string final_state;
    size_t ncalls;
  } const cases[] = {
      // db and cache come up before web fails.
      {"Start", "00000", {"live", "start", "web"}, "web", 1, kUp + "db\ncache\n", "11000", 1},
      // web goes down before db fails.
      {"Stop", "11111", {"live", "stop", "db"}, "db", 1, kDown + "web\n", "11011", 1},
      {"NothingMoved",
       "00000",
       {"live", "start", "mount"},
       "mount",
       1,
       "orvctl: info: the global state has not changed.\n",
       "00000",
       1},
      {"Silent", "00000", {"-v", "0", "live", "start", "web"}, "web", 1, "", "11000", 1},
      // The stop part fails: the start is never tried.
      {"Restart", "11111", {"live", "restart", "db"}, "db", 1, kDown + "web\n", "11011", 1},
      // The stop part has nothing to do; the start brings mount up, then fails.
      {"RestartStart", "11100", {"live", "restart", "net"}, "net", 1, kUp + "mount\n", "11110", 2},
  };
  for (auto const& c : cases) {
    set_state(c.initial);
    write_file(tb + "/tuvo.fail", std::string(c.fail) + "\n");
    unlink((tb + "/log").c_str());
    result r = live_cmd(c.args);
    EXPECT_EQ(r.code, c.code) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_NE(r.err.find("injected failure"), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(state(), c.final_state) << c.name;
    EXPECT_EQ(tuvo_calls().size(), c.ncalls) << c.name;
  }
}

TEST_F(LiveSandbox, DryRunChangesNothing) {
  result r = live_cmd({"live", "start", "-n", "web"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "would start db\nwould start cache\nwould start web\n");
  EXPECT_EQ(state(), "00000");
}

pid_t spawn(vec const& argv, vec const& env, std::string const& out) {
  std::vector<char*> a, e;
  for (auto const& s : argv) a.push_back(const_cast<char*>(s.c_str()));
  for (auto const& s : env) e.push_back(const_cast<char*>(s.c_str()));
  a.push_back(nullptr);
  e.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, a[0], &fa, nullptr, a.data(), e.data());
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

int exit_code(pid_t pid) {
  int wstat = 0;
  while (waitpid(pid, &wstat, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(wstat) ? WEXITSTATUS(wstat) : 1000 + WTERMSIG(wstat);
}

TEST_F(LiveSandbox, WaitsWhileAnotherProcessHoldsTheLiveLock) {
  int fd = open((live + "/lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  ASSERT_EQ(fcntl(fd, F_SETLK, &fl), 0);

  pid_t pid = spawn(orv({"live", "start", "web"}), testbed_env(tb), t / "out");
  ASSERT_GT(pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  int wstat;
  EXPECT_EQ(waitpid(pid, &wstat, WNOHANG), 0) << "orv did not wait for the lock";
  EXPECT_TRUE(tuvo_calls().empty());
  EXPECT_EQ(state(), "00000");

  close(fd);  // releases the lock
  EXPECT_EQ(exit_code(pid), 0) << read_file(t / "out");
  EXPECT_EQ(tuvo_calls().size(), 1u);
  EXPECT_EQ(state(), "11100");
}

// Twenty runs at once, starting and stopping everything by turns: the change
// tool records when each run begins and ends. No two overlap, each exits 0,
// and the state is what the last run to hold the lock asked for.
TEST_F(LiveSandbox, ConcurrentRunsNeverOverlap) {
  constexpr int kRuns = 20;
  std::vector<pid_t> pids;
  vec const env = testbed_env(tb, {"ORV_TB_DELAY_MS=20"});
  for (int i = 0; i < kRuns; ++i) {
    pid_t pid =
        spawn(orv({"live", i % 2 ? "stop" : "start", "all"}), env, t / ("out" + std::to_string(i)));
    ASSERT_GT(pid, 0);
    pids.push_back(pid);
  }
  for (int i = 0; i < kRuns; ++i)
    EXPECT_EQ(exit_code(pids[i]), 0) << read_file(t / ("out" + std::to_string(i)));

  struct event {
    long long ns;
    std::string what;
    std::string pid;
  };
  std::vector<event> events;
  std::istringstream in(read_file(tb + "/timeline"));
  for (event e; in >> e.what >> e.pid >> e.ns;) events.push_back(e);
  ASSERT_EQ(events.size(), 2u * kRuns);
  std::stable_sort(events.begin(), events.end(),
                   [](event const& a, event const& b) { return a.ns < b.ns; });
  for (size_t i = 0; i < events.size(); i += 2) {
    EXPECT_EQ(events[i].what, "begin") << i;
    EXPECT_EQ(events[i + 1].what, "end") << i;
    EXPECT_EQ(events[i].pid, events[i + 1].pid) << "runs overlap at event " << i;
  }

  // The log is written by each run under the lock, so its last record is
  // the last run to hold it.
  auto calls = tuvo_calls();
  ASSERT_EQ(calls.size(), static_cast<size_t>(kRuns));
  int starts = 0;
  for (auto const& c : calls) starts += c[c.size() - 2] == "start";
  EXPECT_EQ(starts, kRuns / 2);
  EXPECT_EQ(state(), calls.back()[calls.back().size() - 2] == "start" ? "11111" : "00000");
}

// Runs argv with descriptor fd closed, standard input on /dev/null,
// standard output and error in files.
result run_closed(vec const& argv, vec const& env, int fd) {
  std::vector<char*> a, e;
  for (auto const& s : argv) a.push_back(const_cast<char*>(s.c_str()));
  for (auto const& s : env) e.push_back(const_cast<char*>(s.c_str()));
  a.push_back(nullptr);
  e.push_back(nullptr);
  child_result const c = in_child(
      [&] {
        int const i = open("/dev/null", O_RDONLY);
        if (i < 3 || dup2(i, 0) < 0) _exit(125);
        close(i);
        close(fd);
        execve(a[0], a.data(), e.data());
      },
      {.prog = nullptr, .returned_code = 127});
  result r;
  r.wstat = c.wstat;
  r.code = c.code;
  r.out = c.out;
  r.err = c.err;
  return r;
}

// A closed standard descriptor stays closed in effect: the lock file never
// takes its place, and the report or diagnostic meant for it fails or is
// lost exactly as on the closed descriptor.
TEST_F(LiveSandbox, ClosedStandardDescriptorsNeverHoldTheLock) {
  std::string const report = kUp + "db\ncache\n";
  std::string const badout = "orvctl: fatal: unable to write to stdout: Bad file descriptor\n";
  std::string const nosize =
      "orvctl: fatal: unable to read state size in " + live + ": No such file or directory\n";
  struct {
    int fd;
    bool fatal;  // the sizes file is gone: a diagnostic after the locks are taken
    int code;
    std::string out;
    std::string err_end;  // what standard error ends with
  } const cases[] = {
      {0, false, 1, report, "injected failure\n"},
      {1, false, 111, "", badout},
      {2, false, 1, report, ""},
      {0, true, 111, "", nosize},
      {1, true, 111, "", nosize},
      {2, true, 111, "", ""},
  };
  write_file(tb + "/tuvo.fail", "web\n");
  std::string const sizes = read_file(live + "/compiled/n");
  for (auto const& c : cases) {
    SCOPED_TRACE(testing::Message() << "fd " << c.fd << (c.fatal ? " fatal" : " report"));
    set_state("00000");
    if (c.fatal)
      unlink((live + "/compiled/n").c_str());
    else
      write_file(live + "/compiled/n", sizes);
    result r = run_closed(orv({"live", "start", "web"}), testbed_env(tb), c.fd);
    EXPECT_EQ(r.code, c.code) << r.err;
    if (c.fd != 1) {
      EXPECT_EQ(r.out, c.out);
    }
    std::string const& err = r.err;
    if (c.err_end.empty()) {
      EXPECT_EQ(err, "");
    } else {
      EXPECT_EQ(err.substr(err.size() - std::min(err.size(), c.err_end.size())), c.err_end) << err;
    }
    EXPECT_EQ(read_file(live + "/lock"), "");
  }
}

// The process holding a write lock on path, or 0 when none does.
pid_t lock_holder(std::string const& path) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return 0;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  int const r = fcntl(fd, F_GETLK, &fl);
  close(fd);
  return r == 0 && fl.l_type != F_UNLCK ? fl.l_pid : 0;
}

// Waits (without a bound on how fast) until path has content.
bool appears(std::string const& path) {
  for (int i = 0; i < 3000; ++i) {
    if (!read_file(path).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A signal to the front end alone, as kill, a supervisor or a wrapper sends
// it: the change tool hears it, the locks stay held until the tool has
// ended, and the exit code is the tool's as usual.
TEST_F(LiveSandbox, SignalsToTheFrontEndGoToTheChangeToolUnderTheLocks) {
  struct {
    char const* name;
    vec args;
    char const* initial;
    int sig;
    char const* hold = "1";
  } const cases[] = {
      {"Start", {"live", "start", "web"}, "00000", SIGTERM},
      {"Stop", {"live", "stop", "db"}, "11111", SIGINT},
      // The stop run hears it; the start run never comes.
      {"Restart", {"live", "restart", "web"}, "11111", SIGHUP},
      // Nor when the tool, told of it, ends its stop run well.
      {"RestartToolExits0", {"live", "restart", "web"}, "11111", SIGTERM, "survive"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    set_state(c.initial);
    for (char const* f : {"log", "held", "release", "signals"}) unlink((tb + "/" + f).c_str());
    pid_t const pid =
        spawn(orv(c.args), testbed_env(tb, {std::string("ORV_TB_HOLD=") + c.hold}), t / "out");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(appears(tb + "/held")) << read_file(t / "out");
    ASSERT_EQ(lock_holder(live + "/lock"), pid);

    ASSERT_EQ(kill(pid, c.sig), 0);
    EXPECT_TRUE(appears(tb + "/signals"));
    EXPECT_EQ(read_file(tb + "/signals"), std::to_string(c.sig) + "\n");
    int wstat;
    EXPECT_EQ(waitpid(pid, &wstat, WNOHANG), 0) << "orv ended before the tool";
    EXPECT_EQ(lock_holder(live + "/lock"), pid);

    write_file(tb + "/release", "");
    EXPECT_EQ(exit_code(pid), 128 + c.sig) << read_file(t / "out");
    EXPECT_EQ(tuvo_calls().size(), 1u);
  }
}

// How a test starts the front end when spawn() cannot say it.
struct launch_opts {
  std::vector<int> ignore{};  // signals ignored at entry, as nohup or a shell's & leave them
  bool own_group = false;     // a process group of its own, to be signalled whole
  char const* tty = nullptr;  // a session of its own, led by orv, with this terminal
  int out = -1;               // standard output, instead of the file
};

// Runs argv; standard error (and output, unless given) goes to the file out.
pid_t launch(vec const& argv, vec const& env, std::string const& out, launch_opts const& o) {
  std::vector<char*> a, e;
  for (auto const& s : argv) a.push_back(const_cast<char*>(s.c_str()));
  for (auto const& s : env) e.push_back(const_cast<char*>(s.c_str()));
  a.push_back(nullptr);
  e.push_back(nullptr);
  pid_t const pid = fork();
  if (pid != 0) return pid;
  for (int sig : o.ignore) signal(sig, SIG_IGN);
  if (o.own_group && setpgid(0, 0) < 0) _exit(125);
  if (o.tty) {
    if (setsid() < 0) _exit(125);
    int const fd = open(o.tty, O_RDWR);
    if (fd < 0 || ioctl(fd, TIOCSCTTY, 0) < 0 || dup2(fd, 0) < 0) _exit(125);
    if (fd) close(fd);
  }
  int const f = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (f < 0 || dup2(o.out >= 0 ? o.out : f, 1) < 0 || dup2(f, 2) < 0) _exit(125);
  execve(a[0], a.data(), e.data());
  _exit(127);
}

// Sleeps long enough for a stray second delivery to land.
void settle() {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::string lines(std::vector<int> const& numbers) {
  std::string r;
  for (int n : numbers) r += std::to_string(n) + "\n";
  return r;
}

// Started as nohup or a script's background job leaves it, orv keeps the
// ignored signals ignored, and so does the tool: a hangup or an interrupt
// to the whole group, or to orv, reaches nobody. A signal at its default
// action is still passed on.
TEST_F(LiveSandbox, SignalsIgnoredAtEntryStayIgnoredForTheTool) {
  pid_t const pid = launch(orv({"live", "start", "web"}), testbed_env(tb, {"ORV_TB_HOLD=1"}),
                           t / "out", {.ignore = {SIGHUP, SIGINT, SIGQUIT}, .own_group = true});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(appears(tb + "/held")) << read_file(t / "out");
  EXPECT_EQ(read_file(tb + "/ignored"), lines({SIGINT, SIGHUP, SIGQUIT}));
  for (int sig : {SIGHUP, SIGINT, SIGQUIT}) {
    EXPECT_EQ(kill(-pid, sig), 0);
    EXPECT_EQ(kill(pid, sig), 0);
  }
  settle();
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_TRUE(appears(tb + "/signals"));
  settle();
  EXPECT_EQ(read_file(tb + "/signals"), lines({SIGTERM}));
  write_file(tb + "/release", "");
  EXPECT_EQ(exit_code(pid), 128 + SIGTERM) << read_file(t / "out");
}

// With the tool gone nothing needs the locks any more: a termination signal
// ends orv even while its report waits on a full pipe.
TEST_F(LiveSandbox, OnceTheToolHasEndedATerminationSignalEndsTheFrontEnd) {
  write_file(tb + "/tuvo.fail", "web\n");
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(fcntl(p[1], F_SETFL, O_NONBLOCK), 0);
  std::string const chunk(4096, 'x');
  while (write(p[1], chunk.data(), chunk.size()) > 0) {
  }
  while (write(p[1], "x", 1) > 0) {
  }
  ASSERT_EQ(fcntl(p[1], F_SETFL, 0), 0);
  pid_t const pid =
      launch(orv({"live", "start", "web"}), testbed_env(tb), t / "err", {.out = p[1]});
  ASSERT_GT(pid, 0);
  close(p[1]);
  ASSERT_TRUE(appears(tb + "/log"));
  // Sent again until it lands after the tool's end: one that comes while
  // the tool still runs goes to the tool.
  int wstat = 0;
  bool ended = false;
  for (int i = 0; i < 40 && !ended; ++i) {
    kill(pid, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ended = waitpid(pid, &wstat, WNOHANG) == pid;
  }
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &wstat, 0);
  }
  close(p[0]);
  EXPECT_TRUE(ended) << "orv outlived its tool and every SIGTERM";
  EXPECT_TRUE(WIFSIGNALED(wstat) && WTERMSIG(wstat) == SIGTERM) << wstat;
  EXPECT_EQ(lock_holder(live + "/lock"), 0);
}

// Signals that no process sent, told apart by where they went: the
// terminal's interrupt goes to the whole foreground group, the tool
// included, and is not passed on a second time; the hangup of the terminal
// goes to the session leader alone, and orv, leading, passes it on.
TEST_F(LiveSandbox, TerminalInterruptReachesTheToolOnceAndALeadersHangupIsPassedOn) {
  for (int const sig : {SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    set_state("00000");
    for (char const* f : {"log", "held", "release", "signals"}) unlink((tb + "/" + f).c_str());
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(fcntl(master, F_SETFD, FD_CLOEXEC), 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string const slave = ptsname(master);
    pid_t const pid = launch(orv({"live", "start", "web"}), testbed_env(tb, {"ORV_TB_HOLD=1"}),
                             t / "out", {.tty = slave.c_str()});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(appears(tb + "/held")) << read_file(t / "out");
    if (sig == SIGINT) {
      // orv stopped, so that its copy waits until the tool has taken its
      // own: two deliveries then cannot merge into one.
      ASSERT_EQ(kill(pid, SIGSTOP), 0);
      int wstat;
      ASSERT_EQ(waitpid(pid, &wstat, WUNTRACED), pid);
      ASSERT_TRUE(WIFSTOPPED(wstat));
      termios tio;
      ASSERT_EQ(tcgetattr(master, &tio), 0);
      ASSERT_EQ(write(master, &tio.c_cc[VINTR], 1), 1);
      EXPECT_TRUE(appears(tb + "/signals"));
      ASSERT_EQ(kill(pid, SIGCONT), 0);
    } else {
      close(master);
      master = -1;
    }
    EXPECT_TRUE(appears(tb + "/signals"));
    settle();
    EXPECT_EQ(read_file(tb + "/signals"), lines({sig}));
    write_file(tb + "/release", "");
    EXPECT_EQ(exit_code(pid), 128 + sig) << read_file(t / "out");
    if (master >= 0) close(master);
  }
}

// A "lock" replaced by a symbolic link is never opened through it: neither
// the file it names is emptied nor a missing one created.
TEST_F(LiveSandbox, LinkedLockIsRefused) {
  std::string const victim = t / "victim", missing = t / "missing";
  write_file(victim, "precious\n");
  for (std::string const& target : {victim, missing}) {
    SCOPED_TRACE(target);
    unlink((live + "/lock").c_str());
    ASSERT_EQ(symlink(target.c_str(), (live + "/lock").c_str()), 0);
    result r = live_cmd({"live", "start", "web"});
    EXPECT_EQ(r.code, 111);
    std::string const want = "orvctl: fatal: unable to take lock in " + live + ": ";
    EXPECT_EQ(r.err.substr(0, want.size()), want) << r.err;
    EXPECT_TRUE(tuvo_calls().empty());
  }
  EXPECT_EQ(read_file(victim), "precious\n");
  EXPECT_FALSE(file_exists(missing));
}

}  // namespace
