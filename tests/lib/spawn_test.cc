// Spawning children and waiting for them.
#include "lib/spawn.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lib/strerr.h"
#include "lib/wait.h"
#include "support/run.h"

extern char** environ;

namespace {

using orvtest::read_all;
using orvtest::tempdir;
using orvtest::write_file;

char const* const kNoEnv[] = {nullptr};

int wait_for(pid_t pid) {
  int st = 0;
  EXPECT_EQ(waitpid_nointr(pid, &st, 0), pid);
  return st;
}

// Runs a shell command line as a spawned child and returns its wait status.
int sh_status(char const* cmd, uint16_t flags = 0) {
  char const* argv[] = {"sh", "-c", cmd, nullptr};
  pid_t pid = cspawn("sh", argv, kNoEnv, flags, nullptr, 0);
  EXPECT_NE(pid, 0) << strerror(errno);
  return pid ? wait_for(pid) : -1;
}

// Sets PATH for the life of the object, restoring the old value after.
struct path_guard {
  std::string old;
  bool had;
  explicit path_guard(char const* value) {
    char const* p = getenv("PATH");
    had = p != nullptr;
    if (had) old = p;
    if (value)
      setenv("PATH", value, 1);
    else
      unsetenv("PATH");
  }
  ~path_guard() {
    if (had)
      setenv("PATH", old.c_str(), 1);
    else
      unsetenv("PATH");
  }
};

TEST(Spawn, ExitCodesAndSignalsGiveTheDocumentedStatus) {
  struct row {
    char const* cmd;
    int want;
  } rows[] = {
      {"exit 0", 0},     {"exit 5", 5},     {"exit 127", 127},       {"exit 128", 128},
      {"exit 200", 128}, {"exit 255", 128}, {"kill -9 $$", 128 + 9}, {"kill -15 $$", 128 + 15},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(r.cmd);
    EXPECT_EQ(wait_estatus(sh_status(r.cmd)), r.want);
  }
}

TEST(Spawn, SearchesTheCallersPathNotTheChildsEnvironment) {
  tempdir d;
  write_file(d / "orv-probe", "#!/bin/sh\nexit 42\n", 0755);
  path_guard g(d.path().c_str());
  char const* argv[] = {"orv-probe", nullptr};
  char const* envp[] = {"PATH=/nonexistent", nullptr};
  pid_t pid = cspawn("orv-probe", argv, envp, 0, nullptr, 0);
  ASSERT_NE(pid, 0) << strerror(errno);
  EXPECT_EQ(wait_estatus(wait_for(pid)), 42);
  EXPECT_STREQ(getenv("PATH"), d.path().c_str());
}

TEST(Spawn, UnsetPathMeansTheDefaultPathAndStaysUnset) {
  path_guard g(nullptr);
  char const* argv[] = {"sh", "-c", "exit 3", nullptr};
  pid_t pid = cspawn("sh", argv, kNoEnv, 0, nullptr, 0);
  ASSERT_NE(pid, 0) << strerror(errno);
  EXPECT_EQ(getenv("PATH"), nullptr);
  EXPECT_EQ(wait_estatus(wait_for(pid)), 3);
}

// Boot and cron environments have no PATH, and named live status hands the
// process's own environment to its children: a spawn that touched the
// environment would hand the next child a freed array.
TEST(Spawn, UnsetPathLeavesTheProcessEnvironmentAlone) {
  path_guard g(nullptr);
  char** const before = environ;
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    char const* argv[] = {"sh", "-c", "exit 7", nullptr};
    pid_t pid = cspawn("sh", argv, environ, 0, nullptr, 0);
    ASSERT_NE(pid, 0) << strerror(errno);
    EXPECT_EQ(wait_estatus(wait_for(pid)), 7);
    EXPECT_EQ(environ, before);
    EXPECT_EQ(getenv("PATH"), nullptr);
  }
}

TEST(Spawn, MissingProgramFailsWithEnoent) {
  char const* argv[] = {"orv-no-such-program", nullptr};
  errno = 0;
  EXPECT_EQ(cspawn("orv-no-such-program", argv, kNoEnv, 0, nullptr, 0), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(cspawn("/nonexistent/prog", argv, kNoEnv, 0, nullptr, 0), 0);
  EXPECT_EQ(errno, ENOENT);
}

TEST(Spawn, NotExecutableFailsWithEacces) {
  tempdir d;
  write_file(d / "tool", "#!/bin/sh\nexit 0\n", 0644);
  std::string p = d / "tool";
  char const* argv[] = {"tool", nullptr};
  errno = 0;
  EXPECT_EQ(cspawn(p.c_str(), argv, kNoEnv, 0, nullptr, 0), 0);
  EXPECT_EQ(errno, EACCES);
}

TEST(Spawn, UnblockSignalsGivesTheChildAnEmptyMask) {
  sigset_t usr1, old;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  sigprocmask(SIG_BLOCK, &usr1, &old);
  // The shell signals itself: blocked, it survives; unblocked, it dies.
  int inherit = sh_status("kill -USR1 $$; exit 0", 0);
  int unblock = sh_status("kill -USR1 $$; exit 0", SPAWN_UNBLOCK_SIGNALS);
  sigprocmask(SIG_SETMASK, &old, nullptr);
  EXPECT_TRUE(WIFEXITED(inherit) && WEXITSTATUS(inherit) == 0);
  EXPECT_TRUE(WIFSIGNALED(unblock) && WTERMSIG(unblock) == SIGUSR1);
}

TEST(Spawn, ActionsCloseAndMoveDescriptorsInTheChild) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  int extra = open("/dev/null", O_RDONLY);  // not close-on-exec: the child would see it
  spawn_action a[3];
  a[0].kind = SPAWN_ACTION_CLOSE;
  a[0].x.fd = p[0];
  a[1].kind = SPAWN_ACTION_MOVE;
  a[1].x.fd2 = {1, static_cast<unsigned>(p[1])};
  a[2].kind = SPAWN_ACTION_CLOSE;
  a[2].x.fd = extra;
  std::string cmd = "for f in " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
                    std::to_string(extra) +
                    "; do if { true <&$f; } 2>/dev/null; then echo open $f; fi; done; echo end";
  char const* argv[] = {"sh", "-c", cmd.c_str(), nullptr};
  pid_t pid = cspawn("sh", argv, kNoEnv, 0, a, 3);
  ASSERT_NE(pid, 0) << strerror(errno);
  close(p[1]);
  EXPECT_EQ(read_all(p[0]), "end\n");
  EXPECT_EQ(wait_estatus(wait_for(pid)), 0);
  close(p[0]);
  close(extra);
}

TEST(Spawn, PipeToOneReadsTheChildsOutputThenEndOfFile) {
  int fd = -1;
  char const* argv[] = {"sh", "-c", "echo one; echo two", nullptr};
  pid_t pid = child_spawn1_pipe("sh", argv, kNoEnv, &fd, 1);
  ASSERT_NE(pid, 0) << strerror(errno);
  EXPECT_EQ(fcntl(fd, F_GETFL) & O_ACCMODE, O_RDONLY);
  // End of file arrives only if no copy of the write end is left here.
  EXPECT_EQ(read_all(fd), "one\ntwo\n");
  EXPECT_EQ(wait_estatus(wait_for(pid)), 0);
  close(fd);
}

TEST(Spawn, PipeToZeroFeedsTheChildsInput) {
  int fd = -1;
  char const* argv[] = {"sh", "-c", "read x; test \"$x\" = hello && exit 9", nullptr};
  pid_t pid = child_spawn1_pipe("sh", argv, kNoEnv, &fd, 0);
  ASSERT_NE(pid, 0) << strerror(errno);
  EXPECT_EQ(fcntl(fd, F_GETFL) & O_ACCMODE, O_WRONLY);
  EXPECT_EQ(write(fd, "hello\n", 6), 6);
  close(fd);
  EXPECT_EQ(wait_estatus(wait_for(pid)), 9);
}

TEST(Spawn, FailedPipeSpawnClosesBothEnds) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  char const* argv[] = {"orv-no-such-program", nullptr};
  EXPECT_EQ(child_spawn1_internal("orv-no-such-program", argv, kNoEnv, p, 1), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(fcntl(p[0], F_GETFD), -1);
  EXPECT_EQ(fcntl(p[1], F_GETFD), -1);
}

// Spawns env(1) with the block applied and returns its output lines.
std::vector<std::string> spawned_env(std::vector<std::string> const& env,
                                     std::string const& block) {
  std::vector<char const*> e;
  for (auto const& s : env) e.push_back(s.c_str());
  e.push_back(nullptr);
  int p[2];
  EXPECT_EQ(pipe(p), 0);
  spawn_action a[2];
  a[0].kind = SPAWN_ACTION_CLOSE;
  a[0].x.fd = p[0];
  a[1].kind = SPAWN_ACTION_MOVE;
  a[1].x.fd2 = {1, static_cast<unsigned>(p[1])};
  char const* argv[] = {"env", nullptr};
  pid_t pid = mspawn_afm("env", argv, e.data(), env.size(), block.data(), block.size(), 0, a, 2);
  EXPECT_NE(pid, 0) << strerror(errno);
  close(p[1]);
  std::string out = read_all(p[0]);
  close(p[0]);
  if (pid) wait_for(pid);
  std::vector<std::string> lines;
  for (size_t i = 0, j; (j = out.find('\n', i)) != std::string::npos; i = j + 1)
    lines.push_back(out.substr(i, j - i));
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(Spawn, ModificationBlockReachesTheChild) {
  using namespace std::string_literals;
  auto got = spawned_env({"A=0", "B=1", "scandir=/x"}, "scandir\0A=2\0C=\0"s);
  EXPECT_EQ(got, (std::vector<std::string>{"A=2", "B=1", "C="}));
}

TEST(Spawn, LargeEnvironmentsStillMerge) {
  using namespace std::string_literals;
  std::vector<std::string> env;
  for (int i = 0; i < 3000; ++i) env.push_back("V" + std::to_string(i) + "=" + std::to_string(i));
  auto got = spawned_env(env, "V0\0V2999=last\0"s);
  ASSERT_EQ(got.size(), 2999u);
  EXPECT_TRUE(std::binary_search(got.begin(), got.end(), "V2999=last"));
  EXPECT_FALSE(std::binary_search(got.begin(), got.end(), "V0=0"));
}

// Runs f in a forked child with stderr captured; returns {wait status, stderr}.
template <class F>
std::pair<int, std::string> die_in_child(F f) {
  int p[2];
  EXPECT_EQ(pipe(p), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    dup2(p[1], 2);
    PROG = "orvtest";
    f();
    _exit(0);
  }
  close(p[1]);
  std::string err = read_all(p[0]);
  close(p[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  return {st, err};
}

TEST(Spawn, XmspawnDiesWith127Or126AndTheMessage) {
  tempdir d;
  write_file(d / "noexec", "#!/bin/sh\n", 0644);
  std::string noexec = d / "noexec";
  struct row {
    std::string prog;
    int code;
    int err;
  } rows[] = {{"orv-no-such-program", 127, ENOENT}, {noexec, 126, EACCES}};
  for (auto const& r : rows) {
    SCOPED_TRACE(r.prog);
    auto [st, err] = die_in_child([&] {
      char const* argv[] = {r.prog.c_str(), nullptr};
      xmspawn_afm(r.prog.c_str(), argv, kNoEnv, 0, "", 0, 0, nullptr, 0);
    });
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), r.code);
    EXPECT_EQ(err, "orvtest: fatal: unable to spawn " + r.prog + ": " + strerror(r.err) + "\n");
  }
  auto [st, err] = die_in_child([] {
    char const* argv[] = {"sh", "-c", "exit 0", nullptr};
    pid_t pid = xmspawn_afm("sh", argv, kNoEnv, 0, "", 0, 0, nullptr, 0);
    _exit(pid > 0 ? 33 : 1);
  });
  EXPECT_EQ(WEXITSTATUS(st), 33);
  EXPECT_EQ(err, "");
}

void on_alarm(int) {}

TEST(Wait, NoHangWhileRunningThenCollectsAcrossSignals) {
  char const* argv[] = {"sh", "-c", "sleep 0.3; exit 4", nullptr};
  pid_t pid = cspawn("sh", argv, kNoEnv, 0, nullptr, 0);
  ASSERT_NE(pid, 0);
  int st = -1;
  errno = 66;
  EXPECT_EQ(waitpid_nointr(pid, &st, WNOHANG), 0);
  EXPECT_EQ(errno, 66);

  struct sigaction sa {
  }, old{};
  sa.sa_handler = on_alarm;
  sigaction(SIGALRM, &sa, &old);  // no SA_RESTART: waitpid fails with EINTR
  itimerval it{};
  it.it_value.tv_usec = 50 * 1000;
  setitimer(ITIMER_REAL, &it, nullptr);
  EXPECT_EQ(waitpid_nointr(pid, &st, 0), pid);
  sigaction(SIGALRM, &old, nullptr);
  EXPECT_EQ(errno, 66);
  EXPECT_EQ(wait_estatus(st), 4);
  EXPECT_EQ(waitpid_nointr(pid, &st, 0), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
