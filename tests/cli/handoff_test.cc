// What a tool receives when the front end hands off to it: the exact
// argument vector, an environment without the configuration variables, the
// search of the executable path, and the failures when it cannot run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/run.h"
#include "testbed/common/tblog.h"

using namespace orvtest;

namespace {

std::string driver() {
  return bin_path("orv_handoff_driver");
}

std::vector<std::string> const kAllConfig = {"scandir=/x", "livedir=/l", "repodir=/r",
                                             "bootdb=/b",  "stmpdir=/t", "storelist=/s",
                                             "verbosity=3"};

TEST(HandOff, ToolSeesNoConfigurationVariables) {
  for (char const* how : {"exec", "spawn"}) {
    tempdir tb;
    auto env = testbed_env(tb.path(), kAllConfig);
    env.push_back("livedir=/again");  // a raw execve can give a name twice
    result r = run({driver(), how, "tuvo-set-change", "a"}, env);
    ASSERT_EQ(r.code, 0) << how << r.err;
    auto calls = tb::read_log(tb.path());
    ASSERT_EQ(calls.size(), 1u) << how;
    EXPECT_EQ(calls[0].argv, (std::vector<std::string>{"tuvo-set-change", "a"}));
    EXPECT_TRUE(calls[0].env.empty()) << how;
  }
}

TEST(HandOff, OtherVariablesPassUnchanged) {
  // Only the configuration names are removed; the rest of the environment
  // reaches the tool as it was.
  result r = run({driver(), "exec", "env"}, {"PATH=/usr/bin:/bin", "HOME=/home/x", "scandir=/x",
                                             "verbosity=0", "SCANDIR=kept", "scandirx=kept"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("HOME=/home/x\n"), std::string::npos);
  EXPECT_NE(r.out.find("SCANDIR=kept\n"), std::string::npos);
  EXPECT_NE(r.out.find("scandirx=kept\n"), std::string::npos);
  EXPECT_EQ(r.out.find("scandir=/x"), std::string::npos);
  EXPECT_EQ(r.out.find("verbosity="), std::string::npos);
}

TEST(HandOff, WithoutPathSearchesTheDefaultPath) {
  // env lives in /usr/bin, which the default search path holds.
  for (char const* how : {"exec", "spawn"}) {
    result r = run({driver(), how, "env"}, {"HOME=/h"});
    EXPECT_EQ(r.code, 0) << how << r.err;
    EXPECT_NE(r.out.find("HOME=/h\n"), std::string::npos) << how;
    // The temporary PATH of a spawn is gone again from the child's view.
    EXPECT_EQ(r.out.find("PATH="), std::string::npos) << how;
  }
}

TEST(HandOff, ArgumentsPassThroughUntouched) {
  tempdir tb;
  std::vector<std::string> args = {
      "tuvo-set-change", "with space", "new\nline", "", "-leading", "--",
      "caf\xc3\xa9",     "[br]\\",     "\t"};
  std::vector<std::string> argv = {driver(), "exec"};
  argv.insert(argv.end(), args.begin(), args.end());
  result r = run(argv, testbed_env(tb.path()));
  ASSERT_EQ(r.code, 0) << r.err;
  auto calls = tb::read_log(tb.path());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].argv, args);
}

TEST(HandOff, SpawnReportsTheToolsStatus) {
  struct {
    char const* control;
    char const* value;
    char const* out;
  } const cases[] = {
      {"exit", "3", "exit 3\n"},
      {"exit", "200", "exit 128\n"},
      {"signal", "9", "exit 137\n"},
  };
  for (auto const& c : cases) {
    tempdir tb;
    write_file(tb / (std::string("tuvo-repo-init.") + c.control), c.value);
    result r = run({driver(), "spawn", "tuvo-repo-init"}, testbed_env(tb.path()));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.out) << c.control << " " << c.value;
  }
}

TEST(HandOff, ToolThatCannotRun) {
  tempdir dir;
  mkdir((dir / "a").c_str(), 0755);
  mkdir((dir / "b").c_str(), 0755);
  write_file(dir / "a/tool", "#!/bin/sh\nexit 0\n", 0644);  // not executable
  struct {
    char const* name;
    std::string path;
    char const* tool;
    int code;
    char const* error;
    bool exec_only = false;
  } const cases[] = {
      {"Missing", dir.path() + "/b", "nosuch", 127, "No such file or directory"},
      {"MissingWithSlash", "/usr/bin", "./nosuch", 127, "No such file or directory"},
      {"NotExecutable", dir.path() + "/a", "tool", 126, "Permission denied"},
      // EACCES in one directory wins over ENOENT in a later one.
      {"EaccesBeforeEnoent", dir.path() + "/a:" + dir.path() + "/b", "tool", 126,
       "Permission denied"},
      // Empty elements never mean the current directory to exec. A spawn
      // searches as the platform's posix_spawnp does.
      {"EmptyElementsSkipped", "::" + dir.path() + "/b:", "tool", 127, "No such file or directory",
       true},
  };
  for (auto const& c : cases) {
    for (char const* how : {"exec", "spawn"}) {
      if (c.exec_only && how[0] == 's') continue;
      run_opts o;
      o.cwd = dir.path() + "/a";
      result r = run({driver(), how, c.tool}, {"PATH=" + c.path}, o);
      EXPECT_EQ(r.code, c.code) << c.name << " " << how;
      EXPECT_EQ(r.err, std::string("orvctl: fatal: unable to ") + how + " " + c.tool + ": " +
                           c.error + "\n")
          << c.name << " " << how;
    }
  }
}

}  // namespace
