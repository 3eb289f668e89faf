// Commands run as root by a careless caller: a search path with empty
// elements, standard descriptors closed, a standard output left
// non-blocking or failing, SIGCHLD ignored. None of it may run a stranger's
// program, hand a tool a closed descriptor, or cut the output short.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "support/json_check.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

namespace {

using orvtest::file_exists;
using orvtest::json_canonical;
using orvtest::orv_path;
using orvtest::out_mode;
using orvtest::result;
using orvtest::run;
using orvtest::run_opts;
using orvtest::tempdir;
using orvtest::testbed_bin;
using orvtest::testbed_env;
using orvtest::write_file;
using strings = std::vector<std::string>;

class Hostile : public testing::Test {
 protected:
  // A compiled database from description, a live directory on it, and a
  // supervised "web" in the scan directory.
  void make(std::string const& description = "longrun db\nlongrun web deps db\n") {
    for (auto const& d : {tb, cwd, empty}) mkdir(d.c_str(), 0755);
    write_file(t / "services", description);
    ASSERT_EQ(tool("tb-tuvo-compile", {t / "services", compiled}).code, 0);
    ASSERT_EQ(tool("tuvo-init", {"-l", live, "-c", compiled, "--", scan}).code, 0);
    ASSERT_EQ(tool("tb-svdir", {scan, "web", "down", "age", "5"}).code, 0);
  }
  result tool(std::string const& name, strings args) const {
    args.insert(args.begin(), testbed_bin() + "/" + name);
    return run(args, testbed_env(tb));
  }
  result orv(strings args, run_opts const& opts = {}, strings env = {}) const {
    args.insert(args.begin(), {orv_path(), "-l", live, "-c", compiled, "-s", scan});
    if (env.empty()) env = testbed_env(tb);
    return run(args, env, opts);
  }
  std::vector<tb::call> calls() const { return tb::read_log(tb); }

  static run_opts in_folder(std::string const& dir) {
    run_opts o;
    o.cwd = dir;
    return o;
  }
  static run_opts with_stdout(out_mode mode) {
    run_opts o;
    o.stdout_mode = mode;
    return o;
  }
  static run_opts ignoring(int sig) {
    run_opts o;
    o.ignored = {sig};
    return o;
  }

  tempdir t;
  std::string const tb = t / "tb";
  std::string const cwd = t / "cwd";
  std::string const empty = t / "empty";
  std::string const live = t / "live";
  std::string const compiled = t / "compiled";
  std::string const scan = t / "scan";
};

// An empty element of PATH never means the working directory: a program
// planted there under a tool's name is not run by the commands that spawn
// their tools (the exec side's search is the same routine, tested alone).
TEST_F(Hostile, EmptyPathElementsNeverFindTheWorkingDirectory) {
  make();
  struct row {
    strings args;
    char const* tool;  // what the command spawns
    int missing;       // the exit code when the tool is not found
  } const commands[] = {
      {.args = {"live", "start", "web"}, .tool = "tuvo", .missing = 127},
      {.args = {"live", "status", "--json"}, .tool = "tuvo", .missing = 111},
      {.args = {"process", "status", "web"}, .tool = "orv-query", .missing = 127},
  };
  std::string const ran = t / "planted-ran";
  for (auto const& c : commands) {
    write_file(cwd + "/" + c.tool, "#!/bin/sh\n: > '" + ran + "'\n", 0755);
    struct {
      std::string path;
      bool found;  // the testbed's tool is reached
    } const paths[] = {
        {":" + testbed_bin(), true},
        {empty + ":", false},
        {empty + "::" + testbed_bin(), true},
        {"", false},
    };
    for (auto const& p : paths) {
      SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2] + ", PATH=" + p.path);
      result const r = orv(c.args, in_folder(cwd), {"PATH=" + p.path, "ORV_TB_DIR=" + tb});
      EXPECT_FALSE(file_exists(ran)) << "the planted " << c.tool << " ran";
      unlink(ran.c_str());
      if (p.found) {
        EXPECT_EQ(r.code, 0) << r.err;
      } else {
        EXPECT_EQ(r.code, c.missing);
        EXPECT_NE(r.err.find(std::string("unable to spawn ") + c.tool + ": No such file"),
                  std::string::npos)
            << r.err;
      }
    }
    unlink((cwd + "/" + c.tool).c_str());
  }
}

// Descriptor 1 closed at entry is filled for orv and for the tools it runs:
// a tool's first open() must not become its standard output.
TEST_F(Hostile, StandardDescriptorsClosedAtEntryAreOpenForTheTools) {
  make();
  struct row {
    strings args;
    char const* tool;
  } const rows[] = {
      {.args = {"live", "start", "web"}, .tool = "tuvo"},         // spawned
      {.args = {"live", "install"}, .tool = "tuvo-set-install"},  // exec'd
  };
  for (auto const& c : rows) {
    SCOPED_TRACE(c.tool);
    unlink((tb + "/log").c_str());
    orv(c.args, with_stdout(out_mode::closed));
    auto const log = calls();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].argv[0], c.tool);
    EXPECT_EQ(log[0].closed, std::vector<int>{});
  }
}

// A standard output left non-blocking by the parent: the --json output,
// several times what a pipe holds, comes out whole while the reader lags.
TEST_F(Hostile, NonBlockingStandardOutputIsWaitedFor) {
  std::string description;
  for (int i = 0; i < 6000; i++) description += "longrun service" + std::to_string(i) + "\n";
  make(description);
  strings many = {"process", "status", "--json"};
  many.insert(many.end(), 1000, "web");
  for (strings const& args : {strings{"live", "status", "--json"}, many}) {
    SCOPED_TRACE(args[0]);
    result const whole = orv(args);
    ASSERT_EQ(whole.code, 0) << whole.err;
    result const r = orv(args, with_stdout(out_mode::slow_nonblocking_pipe));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.out == whole.out) << r.out.size() << " bytes of " << whole.out.size();
    EXPECT_EQ(json_canonical(r.out).rfind("invalid", 0), std::string::npos);
  }
}

// A --json command whose output fails ends with the write diagnostic, alone.
TEST_F(Hostile, JsonOutputThatFailsEndsWith111) {
  make();
  for (strings const& args :
       {strings{"live", "status", "--json"}, strings{"process", "status", "--json", "web"}}) {
    SCOPED_TRACE(args[0]);
    result const r = orv(args, with_stdout(out_mode::devfull));
    EXPECT_EQ(r.code, 111);
    EXPECT_EQ(r.err, "orvctl: fatal: unable to write to stdout: No space left on device\n");
  }
}

// SIGCHLD ignored at entry would have the kernel reap the tool before orv
// waits for it; orv puts it back to its default.
TEST_F(Hostile, IgnoredSigchldAtEntryStillLetsOrvWait) {
  make();
  for (strings const& args :
       {strings{"live", "start", "web"}, strings{"process", "status", "web"}}) {
    SCOPED_TRACE(args[0]);
    result const r = orv(args, ignoring(SIGCHLD));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
  }
  std::string const state = orvtest::read_file(live + "/state");
  ASSERT_EQ(state.size(), 2u);
  EXPECT_TRUE((state[0] & 1) && (state[1] & 1)) << "db and web are not up";
  // A failed change is reported by name, which needs the tool's status:
  // web goes down before db fails.
  write_file(tb + "/tuvo.fail", "db\n");
  result const r = orv({"live", "stop", "db"}, ignoring(SIGCHLD));
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(r.out, "orvctl: info: the following atomic services have been brought down:\nweb\n");
}

}  // namespace
