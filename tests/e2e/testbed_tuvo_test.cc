// The service-manager stand-ins: compiled database bytes, live directory,
// start/stop with dependencies, failure injection, list and atomics.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "support/bigendian.h"
#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

namespace {

using orvtest::be32_words;

std::string const head = "tuvo-db: start\n", tail = "\ntuvo-db: end\n";

result compile(tempdir const& t, std::string const& text, std::string const& out = "compiled") {
  write_file(t / "src", text);
  return run({testbed_bin() + "/tb-tuvo-compile", t / "src", t / out}, testbed_env(t / "tb"));
}

TEST(TestbedTuvoCompile, LongrunAndCommandServiceGiveThe129ByteDatabase) {
  tempdir t;
  mkdir((t / "tb").c_str(), 0755);
  auto r = compile(t, "longrun a\noneshot b up x down   # vector 1 empty\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(read_file(t / "compiled/n"), be32_words({1, 1, 6, 3, 0, 0}));
  std::string expect = head + std::string("a\0b\0x\0", 6) +
                       // a: name 0, attr, params, dep counts and starts, links
                       be32_words({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + "\xfe" +
                       // b: name 2, ..., vector 0 = 1 string at 4, vector 1 empty
                       be32_words({2, 0, 0, 0, 0, 0, 0, 0, 1, 4, 0, 0}) + "\xfe" + tail;
  std::string db = read_file(t / "compiled/db");
  EXPECT_EQ(db.size(), 129u);
  EXPECT_EQ(db, expect);
  EXPECT_TRUE(file_exists(t / "compiled/lock"));
}

TEST(TestbedTuvoCompile, DependencyRunsFillTheTwoHalvesOfTheList) {
  tempdir t;
  mkdir((t / "tb").c_str(), 0755);
  // A bundle in deps stands for its contents.
  auto r = compile(t, "longrun b deps grp\nlongrun a\nbundle grp a\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(read_file(t / "compiled/n"), be32_words({0, 2, 4, 0, 1, 0}));
  std::string expect = head + std::string("b\0a\0", 4) + be32_words({1, 0}) +
                       be32_words({0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}) + "\xfe" +
                       be32_words({2, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0}) + "\xfe" + tail;
  EXPECT_EQ(read_file(t / "compiled/db"), expect);
}

TEST(TestbedTuvoCompile, BadDescriptionsAreRefused) {
  struct {
    char const* text;
    char const* message;
  } const cases[] = {
      {"longrun a deps nowhere\n", "unknown service name: nowhere"},
      {"longrun a\noneshot a\n", "duplicate name: a"},
      {"longrun a deps b\nlongrun b deps a\n", "dependency cycle"},
      {"bundle x y\nbundle y x\nlongrun a deps x\n", "contains itself"},
      {"service a\n", "unknown statement"},
      {"longrun a extra\n", "unexpected word"},
  };
  for (auto const& c : cases) {
    tempdir t;
    mkdir((t / "tb").c_str(), 0755);
    auto r = compile(t, c.text);
    EXPECT_EQ(r.code, 1) << c.text;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.text << r.err;
  }
}

// log <- web -> net -> mounts (essential); "default" = web; cron alone.
constexpr char description[] =
    "longrun log\n"
    "longrun web deps log net\n"
    "longrun cron\n"
    "oneshot net deps mounts\n"
    "oneshot mounts up mount -a down umount -a\n"
    "bundle default web\n"
    "bundle all default cron\n"
    "essential mounts\n";

class TestbedTuvo : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir((t / "tb").c_str(), 0755);
    ASSERT_EQ(compile(t, description).code, 0);
    auto r = tool("tuvo-init", {"-l", live, "-c", t / "compiled", "-b", "--", t / "scan"});
    ASSERT_EQ(r.code, 0) << r.err;
  }

  result tool(std::string const& name, std::vector<std::string> args,
              std::vector<std::string> const& extra_env = {}) {
    args.insert(args.begin(), testbed_bin() + "/" + name);
    return run(args, testbed_env(t / "tb", extra_env));
  }
  result tuvo(std::vector<std::string> args, std::vector<std::string> const& env = {}) {
    args.insert(args.begin(), {"--no-lock", "-l", live, "--"});
    return tool("tuvo", args, env);
  }
  // State bytes in index order: log web cron net mounts.
  std::string state() { return read_file(live + "/state"); }

  tempdir t;
  std::string live = t / "live";
};

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

TEST_F(TestbedTuvo, InitMakesTheLiveDirectoryAndRefusesToRunTwice) {
  EXPECT_EQ(state(), bytes({0, 0, 0, 0, 0}));
  EXPECT_TRUE(file_exists(live + "/lock"));
  EXPECT_TRUE(file_exists(live + "/compiled/lock"));
  EXPECT_EQ(read_file(live + "/compiled/db"), read_file(t / "compiled/db"));
  auto r = tool("tuvo-init", {"-l", live, "-c", t / "compiled", "-b", "--", t / "scan"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("already initialised"), std::string::npos);
}

TEST_F(TestbedTuvo, StartPullsDependenciesAndStopTakesDependents) {
  auto r = tuvo({"start", "default"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(state(), bytes({1, 1, 0, 1, 1}));
  r = tuvo({"stop", "net"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(state(), bytes({1, 0, 0, 0, 1}));
  r = tuvo({"start", "cron", "mounts"});  // already up: no change, success
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(state(), bytes({1, 0, 1, 0, 1}));
}

TEST_F(TestbedTuvo, InjectedFailureLeavesThePartialChange) {
  write_file(t / "tb/tuvo.fail", "web\n");
  auto r = tuvo({"start", "all"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("web"), std::string::npos);
  // Dependencies came first; web and what comes after it did not.
  EXPECT_EQ(state(), bytes({1, 0, 0, 1, 1}));
}

TEST_F(TestbedTuvo, DryRunAndUnknownNamesChangeNothing) {
  auto r = tuvo({"start", "web"}, {});
  ASSERT_EQ(r.code, 0);
  r = tool("tuvo", {"--no-lock", "-v", "1", "-n1", "-l", live, "--", "stop", "mounts"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "would stop web\nwould stop net\nwould stop mounts\n");
  EXPECT_EQ(state(), bytes({1, 1, 0, 1, 1}));
  r = tuvo({"stop", "web", "nosuch"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("nosuch"), std::string::npos);
  EXPECT_EQ(state(), bytes({1, 1, 0, 1, 1}));
}

TEST_F(TestbedTuvo, ListAndAtomicsFollowTheFlagLetters) {
  ASSERT_EQ(tuvo({"start", "default"}).code, 0);
  struct {
    std::vector<std::string> args;
    char const* out;
  } const cases[] = {
      {{"-l", live, "-buae", "list"}, "log\nweb\nnet\n"},
      {{"-l", live, "-buaE", "list"}, "log\nweb\nnet\nmounts\n"},
      {{"-l", live, "-bdae", "list"}, "cron\n"},
      {{"-l", live, "-bae", "--", "list"}, "log\nweb\nnet\n"},
      {{"-l", live, "-bua", "list", "cron", "web"}, "web\n"},
  };
  for (auto const& c : cases) {
    auto r = tool("tuvo", c.args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[2];
  }
  auto r = tool("tuvo-db", {"-l", live, "-be", "--", "atomics", "all", "log", "mounts"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "web\ncron\nlog\n");
  r = tool("tuvo-db", {"-l", live, "-bE", "--", "atomics", "mounts", "default"});
  EXPECT_EQ(r.out, "mounts\nweb\n");
  r = tool("tuvo-db", {"-l", live, "-be", "--", "atomics", "web", "nosuch"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("nosuch"), std::string::npos);
}

TEST_F(TestbedTuvo, StopEverythingKeepsEssentialsUnlessAsked) {
  ASSERT_EQ(tool("tuvo", {"-l", live, "-b", "--", "start", "all"}).code, 0);
  EXPECT_EQ(state(), bytes({1, 1, 1, 1, 1}));
  auto r = tool("tuvo", {"-l", live, "-bda", "--", "change"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(state(), bytes({0, 0, 0, 0, 1}));
  r = tool("tuvo", {"-l", live, "-bDa", "--", "change"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(state(), bytes({0, 0, 0, 0, 0}));
}

TEST_F(TestbedTuvo, TakesTheLiveLockUnlessToldNotTo) {
  int fd = open((live + "/lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  ASSERT_EQ(fcntl(fd, F_SETLK, &fl), 0);
  auto r = tool("tuvo", {"-l", live, "--", "start", "cron"});
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(state(), bytes({0, 0, 0, 0, 0}));
  r = tuvo({"start", "cron"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(state(), bytes({0, 0, 1, 0, 0}));
  close(fd);
}

TEST_F(TestbedTuvo, ChangeRunsLeaveATimelineAndRecordTheirCall) {
  auto r = tuvo({"start", "web"}, {"ORV_TB_DELAY_MS=200"});
  ASSERT_EQ(r.code, 0);
  std::istringstream tl(read_file(t / "tb/timeline"));
  std::string w1, w2;
  long p1, p2;
  long long n1, n2;
  ASSERT_TRUE(tl >> w1 >> p1 >> n1 >> w2 >> p2 >> n2);
  EXPECT_EQ(w1, "begin");
  EXPECT_EQ(w2, "end");
  EXPECT_EQ(p1, p2);
  EXPECT_GE(n2 - n1, 200000000LL);
  auto calls = tb::read_log(t / "tb");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().argv, (std::vector<std::string>{testbed_bin() + "/tuvo", "--no-lock", "-l",
                                                         live, "--", "start", "web"}));
}

}  // namespace
