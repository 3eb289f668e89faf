// The supervision stand-ins over service directories: tb-svdir writes the
// 35-byte status record, orv-send flips it (or, where tb-supervise serves the
// directory, has the supervisor act on its daemon), orv-query prints it,
// orv-await runs its program and waits on the records.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <regex>

#include "support/names.h"
#include "support/run.h"
#include "support/supervised.h"
#include "testbed/common/tblog.h"

extern char** environ;

namespace {

std::uint64_t big(std::string const& s, std::size_t off, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(s.at(off + i));
  return v;
}

std::string tb(std::string const& name) {
  return testbed_bin() + "/" + name;
}

orvtest::result svdir(tempdir const& scan, std::vector<std::string> words) {
  words.insert(words.begin(), {tb("tb-svdir"), scan.path()});
  return run(words, {"PATH=/usr/bin:/bin"});
}

std::string status(tempdir const& scan, std::string const& name) {
  return read_file(scan / (name + "/supervise/status"));
}

constexpr std::uint64_t kUnixEpochLabel = (std::uint64_t{1} << 62) + 10;
constexpr std::uint64_t kFakePid = 4194304;

TEST(TestbedSupervise, SvdirWritesEachFieldOfTheRecord) {
  tempdir scan;
  std::uint64_t before = kUnixEpochLabel + static_cast<std::uint64_t>(time(nullptr));
  ASSERT_EQ(svdir(scan, {"a", "up", "1234", "flags", "2", "wstat", "256"}).code, 0);
  std::uint64_t after = kUnixEpochLabel + static_cast<std::uint64_t>(time(nullptr));
  std::string s = status(scan, "a");
  ASSERT_EQ(s.size(), 35u);
  EXPECT_GE(big(s, 0, 8), before);  // first stamp: TAI64 label of now
  EXPECT_LE(big(s, 0, 8), after);
  EXPECT_LT(big(s, 8, 4), 1000000000u);  // nanoseconds
  EXPECT_EQ(s.substr(12, 12), s.substr(0, 12));
  EXPECT_EQ(s.substr(24, 8), std::string("\0\0\0\0\0\0\x04\xd2", 8));
  EXPECT_EQ(s.substr(32, 2), std::string("\x01\x00", 2));
  EXPECT_EQ(s[34], '\x02');

  // Later words modify the existing record and keep the rest.
  ASSERT_EQ(svdir(scan, {"a", "age", "100"}).code, 0);
  std::uint64_t later = kUnixEpochLabel + static_cast<std::uint64_t>(time(nullptr));
  std::string aged = status(scan, "a");
  EXPECT_GE(big(aged, 0, 8), before - 100);
  EXPECT_LE(big(aged, 0, 8), later - 100);
  EXPECT_EQ(aged.substr(24), s.substr(24));
}

TEST(TestbedSupervise, SvdirWritesDamagedAndSpecialRecords) {
  struct row {
    std::vector<std::string> words;
    std::string name;  // directory whose record is checked
    std::size_t size;
    std::uint64_t pid;
    unsigned flags;
  } const rows[] = {
      {{"a", "rawpid", "4294967295"}, "a", 35, 0xffffffffu, 0},  // -1 in the low 32 bits
      {{"a", "rawpid", "18446744073709551615"}, "a", 35, UINT64_MAX, 0},
      {{"a", "up", "7", "down"}, "a", 35, 0, 0},
      {{"a"}, "a", 35, 0, 0},  // a new directory starts down
      {{"a", "up", "9", "flags", "1"}, "a", 35, 9, 1},
      {{"a", "flags", "240"}, "a", 35, 0, 0xf0},
      {{"a/log", "up", "5"}, "a/log", 35, 5, 0},
      {{"a", "short", "34"}, "a", 34, 0, 0},
  };
  for (auto const& c : rows) {
    tempdir scan;
    auto r = svdir(scan, c.words);
    ASSERT_EQ(r.code, 0) << r.err;
    std::string s = status(scan, c.name);
    ASSERT_EQ(s.size(), c.size) << c.words.at(1);
    if (c.size < 35) continue;
    EXPECT_EQ(big(s, 24, 8), c.pid) << c.words.size();
    EXPECT_EQ(static_cast<unsigned char>(s[34]), c.flags);
  }
  tempdir scan;
  ASSERT_EQ(svdir(scan, {"a", "up", "3"}).code, 0);
  ASSERT_EQ(svdir(scan, {"a", "nostatus"}).code, 0);
  EXPECT_FALSE(file_exists(scan / "a/supervise/status"));
  for (auto const& bad :
       std::vector<std::vector<std::string>>{{"a", "up", "0"},
                                             {"a", "up"},
                                             {"a", "flags", "256"},
                                             {"a", "short", "35"},
                                             {"a", "sideways"},
                                             {"a", "rawpid", "18446744073709551616"}}) {
    EXPECT_EQ(svdir(scan, bad).code, 100) << bad.at(1);
  }
}

TEST(TestbedSupervise, SendFlipsTheRecordAndIsRecorded) {
  tempdir scan, log;
  ASSERT_EQ(svdir(scan, {"a", "age", "50"}).code, 0);
  ASSERT_EQ(svdir(scan, {"b", "up", "77", "flags", "2"}).code, 0);
  std::string const a = scan / "a", b = scan / "b";
  auto env = testbed_env(log.path(), {"scandir=/x"});

  auto r = run({tb("orv-send"), "-uwU", "-T", "5000", "--", a, b}, env);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(big(status(scan, "a"), 24, 8), kFakePid);
  EXPECT_EQ(big(status(scan, "b"), 24, 8), 77u);  // already up: kept
  EXPECT_EQ(status(scan, "b")[34], '\x02');

  r = run({tb("orv-query"), "--", a}, env);
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("up \\(pid 4194304\\) [01] seconds\n"))) << r.out;

  // Signal letters and restarts leave a down record alone.
  std::string before = status(scan, "a");
  EXPECT_EQ(run({tb("orv-send"), "-d", "--", a}, env).code, 0);
  EXPECT_EQ(big(status(scan, "a"), 24, 8), 0u);
  before = status(scan, "a");
  EXPECT_EQ(run({tb("orv-send"), "-t", "--", a}, env).code, 0);
  EXPECT_EQ(run({tb("orv-send"), "-r", "--", a}, env).code, 0);
  EXPECT_EQ(status(scan, "a"), before);

  auto calls = tb::read_log(log.path());
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].argv,
            (std::vector<std::string>{tb("orv-send"), "-uwU", "-T", "5000", "--", a, b}));
  EXPECT_EQ(calls[0].env, std::vector<std::string>{"scandir"});

  struct bad {
    std::vector<std::string> args;
    int code;
  } const bads[] = {
      {{"-x", "--", a}, 100},         {{"-uwX", "--", a}, 100},
      {{"-uw", "--", a}, 100},        {{"-u", "--"}, 100},
      {{"-T", "soon", "--", a}, 100}, {{"-u", "--", a, scan / "missing"}, 111},
  };
  for (auto const& c : bads) {
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), tb("orv-send"));
    r = run(argv, env);
    EXPECT_EQ(r.code, c.code) << c.args.at(0);
    EXPECT_EQ(r.err.rfind("orv-send: ", 0), 0u);
    EXPECT_EQ(status(scan, "a"), before) << "nothing acted on before the check";
  }
}

TEST(TestbedSupervise, QueryPrintsOneStatusLine) {
  struct row {
    std::vector<std::string> words;
    int code;
    char const* out;  // a pattern
  } const rows[] = {
      {{"up", "123", "age", "5"}, 0, "up \\(pid 123\\) [56] seconds\n"},
      {{"down", "age", "3"}, 0, "down [34] seconds\n"},
      {{"rawpid", "4294967296"}, 0, "down [01] seconds\n"},  // the low 32 bits decide
      {{"short", "34"}, 1, ""},
      {{"nostatus"}, 1, ""},
  };
  for (auto const& c : rows) {
    tempdir scan, log;
    std::vector<std::string> words = c.words;
    words.insert(words.begin(), "svc");
    ASSERT_EQ(svdir(scan, words).code, 0);
    auto r = run({tb("orv-query"), "--", scan / "svc"}, testbed_env(log.path()));
    EXPECT_EQ(r.code, c.code) << c.words.at(0);
    EXPECT_TRUE(std::regex_match(r.out, std::regex(c.out))) << r.out;
    if (c.code) {
      EXPECT_NE(r.err.find("unable to read status for " + scan / "svc"), std::string::npos);
    }
  }
}

TEST(TestbedSupervise, AwaitRunsItsProgramThenWaits) {
  tempdir scan, log;
  ASSERT_EQ(svdir(scan, {"down"}).code, 0);
  ASSERT_EQ(svdir(scan, {"fake", "up", std::to_string(kFakePid)}).code, 0);
  ASSERT_EQ(svdir(scan, {"alive", "up", std::to_string(getpid())}).code, 0);
  ASSERT_EQ(svdir(scan, {"bare", "nostatus"}).code, 0);
  auto env = testbed_env(log.path());
  struct row {
    std::vector<std::string> args;
    int code;
    char const* out;
  } const rows[] = {
      {{"-D", "-t", "2000", "--", " " + scan / "down", " " + scan / "fake", "", "echo", "ran"},
       0,
       "ran\n"},
      // Still running when the time is up: the program has run all the same.
      {{"-D", "-t", "100", "--", " " + scan / "alive", "", "echo", "ran"}, 99, "ran\n"},
      {{"-U", "-t", "100", "--", " " + scan / "down", "", "true"}, 99, ""},
      {{"-U", "--", " " + scan / "alive", "", "echo", "up"}, 0, "up\n"},
      {{"--", " " + scan / "alive", "", "sh", "-c", "exit 4"}, 4, ""},
      {{"-D", "--", " " + scan / "bare", "", "echo", "never"}, 111, ""},
      {{"-D", "--", " " + scan / "down", "echo"}, 100, ""},
      {{"-X", "--", " " + scan / "down", "", "echo"}, 100, ""},
      {{"-D", "--", " " + scan / "down", ""}, 100, ""},
  };
  for (auto const& c : rows) {
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), tb("orv-await"));
    auto r = run(argv, env);
    EXPECT_EQ(r.code, c.code) << c.args.at(0) << " " << c.args.at(c.args.size() - 1) << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.at(0);
  }
  auto calls = tb::read_log(log.path());
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].argv, (std::vector<std::string>{tb("orv-await"), "-D", "-t", "2000", "--",
                                                     " " + scan / "down", " " + scan / "fake", "",
                                                     "echo", "ran"}));
}

TEST(TestbedSupervise, AwaitSeesAKilledDaemonDie) {
  tempdir scan, log;
  char const* sleep_argv[] = {"sleep", "30", nullptr};
  pid_t daemon;
  ASSERT_EQ(
      posix_spawnp(&daemon, "sleep", nullptr, nullptr, const_cast<char**>(sleep_argv), environ), 0);
  std::string const pid = std::to_string(daemon);
  ASSERT_EQ(svdir(scan, {"svc", "up", pid}).code, 0);
  // The daemon stays an unreaped child of this test: a zombie must count as dead.
  auto r =
      run({tb("orv-await"), "-D", "-t", "5000", "--", " " + scan / "svc", "", "kill", "-TERM", pid},
          testbed_env(log.path()));
  EXPECT_EQ(r.code, 0) << r.err;
  int ws = 0;
  ASSERT_EQ(waitpid(daemon, &ws, 0), daemon);
  EXPECT_TRUE(WIFSIGNALED(ws));
}

// Each command through the control tool, against a supervised daemon: what
// the record says afterwards and what the daemon saw. The waits return only
// once the event has happened, so every check right after them is exact.
TEST(TestbedSupervise, SupervisorActsOnItsDaemon) {
  tempdir scan, log;
  std::string const web = scan / "web", daemon_log = log / "web.log";
  orvtest::supervised sv(web, daemon_log);
  auto env = testbed_env(log.path());
  auto send = [&](std::string const& letters) {
    auto r = run({tb("orv-send"), letters, "-T", "5000", "--", web}, env);
    EXPECT_EQ(r.code, 0) << letters << r.err;
  };

  std::int32_t const first = sv.recorded_pid();
  send("-h");
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(first, "got HUP"); }));
  send("-1");
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(first, "got USR1"); }));

  send("-dwD");
  EXPECT_EQ(sv.recorded_pid(), 0);
  EXPECT_FALSE(orvtest::alive(first));
  EXPECT_TRUE(sv.logged(first, "got TERM, exiting"));
  EXPECT_EQ(big(status(scan, "web"), 32, 2), 0u) << "its wait status: a clean exit";
  auto r = run({tb("orv-query"), "--", web}, env);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("down [01] seconds\n"))) << r.out;

  send("-uwU");
  std::int32_t const second = sv.recorded_pid();
  EXPECT_NE(second, 0);
  EXPECT_NE(second, first);
  EXPECT_TRUE(orvtest::alive(second));
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(second, "up"); }));

  send("-rwR");
  std::int32_t const third = sv.recorded_pid();
  EXPECT_NE(third, 0);
  EXPECT_NE(third, second);
  EXPECT_FALSE(orvtest::alive(second));
  EXPECT_TRUE(orvtest::alive(third));

  // Killed outright, it is reaped with its signal and, being wanted up, run again.
  send("-kwD");
  EXPECT_FALSE(orvtest::alive(third));
  send("-uwU");
  EXPECT_TRUE(orvtest::alive(sv.recorded_pid()));
  EXPECT_NE(sv.recorded_pid(), third);

  // A wait for an event that does not come ends with the time limit. The
  // daemon takes its signals only once it has said it is up.
  std::int32_t const fourth = sv.recorded_pid();
  ASSERT_GT(fourth, 0);
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(fourth, "up"); }));
  r = run({tb("orv-send"), "-hwD", "-T", "200", "--", web}, env);
  EXPECT_EQ(r.code, 99);
  EXPECT_EQ(r.err, "orv-send: fatal: timed out\n");
  EXPECT_TRUE(orvtest::alive(fourth));

  // Down for good; then TERM ends the supervisor.
  send("-DwD");
  EXPECT_FALSE(orvtest::alive(fourth));
  EXPECT_EQ(sv.recorded_pid(), 0);
  kill(sv.supervisor(), SIGTERM);
  EXPECT_EQ(sv.ended(), 0);
}

TEST(TestbedSupervise, SupervisorRestartsADaemonThatDiesWhileWantedUp) {
  tempdir scan, log;
  std::string const svc = scan / "svc";
  orvtest::supervised sv(svc, log / "svc.log");
  std::int32_t const first = sv.recorded_pid();
  ASSERT_GT(first, 0);  // kill(0, ...) would signal the whole test run
  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_TRUE(orvtest::eventually([&] {
    std::int32_t p = sv.recorded_pid();
    return p != 0 && p != first && orvtest::alive(p);
  }));
  // Once told u rather than U after a D, a death is final.
  auto env = testbed_env(log.path());
  ASSERT_EQ(run({tb("orv-send"), "-DwD", "--", svc}, env).code, 0);
  ASSERT_EQ(run({tb("orv-send"), "-uwU", "--", svc}, env).code, 0);
  std::int32_t const once = sv.recorded_pid();
  ASSERT_GT(once, 0);
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(once, "up"); }));
  ASSERT_EQ(kill(once, SIGTERM), 0);
  EXPECT_TRUE(orvtest::eventually([&] { return sv.recorded_pid() == 0; }));
  EXPECT_FALSE(orvtest::eventually([&] { return sv.recorded_pid() != 0; }))
      << "a daemon wanted down was run again";

  // A second supervisor for the same directory is refused.
  auto r = run({tb("tb-supervise"), svc, "tb-daemon", log / "other.log"}, env);
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(r.err.rfind("tb-supervise: fatal: unable to supervise " + svc, 0), 0u) << r.err;
  kill(sv.supervisor(), SIGTERM);
  EXPECT_EQ(sv.ended(), 0);
}

}  // namespace
