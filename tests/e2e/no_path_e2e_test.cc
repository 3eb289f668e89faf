// Every command that spawns, run as boot scripts and cron run it: with no
// PATH at all. The tools are then found through the default search path,
// which test builds point at the stand-ins first.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <string>
#include <vector>

#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

namespace {

class NoPath : public testing::Test {
 protected:
  void SetUp() override {
    mkdir(tb.c_str(), 0755);
    write_file(t / "services",
               "longrun db\n"
               "longrun web deps db\n"
               "oneshot net\n"
               "bundle default web net\n");
    ASSERT_EQ(tool("tb-tuvo-compile", {t / "services", compiled}).code, 0);
  }
  result tool(std::string const& name, strings args) const {
    args.insert(args.begin(), testbed_bin() + "/" + name);
    return run(args, testbed_env(tb));
  }
  // The front end with nothing in its environment but the stand-ins' log.
  result orv(strings args) const {
    args.insert(args.begin(),
                {orv_path(), "-l", live, "-s", t / "scan", "-c", compiled, "-r", t / "repo"});
    return run(args, {"ORV_TB_DIR=" + tb});
  }
  strings tools_run() const {
    strings names;
    for (auto const& c : tb::read_log(tb)) names.push_back(c.argv[0]);
    return names;
  }

  tempdir t;
  std::string const tb = t / "tb";
  std::string const live = t / "live";
  std::string const compiled = t / "compiled";
};

TEST_F(NoPath, BootThenLiveStartStopRestartAndStatus) {
  result r = orv({"system", "boot"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(read_file(live + "/state"), std::string("\1\1\1", 3));

  r = orv({"live", "status", "web", "db"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "web/up\ndb/up\n");
  EXPECT_EQ(r.err, "");

  // A failing run reports by name, so the compiled database is read too.
  write_file(tb + "/tuvo.fail", "db\n");
  r = orv({"live", "stop", "db"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "orvctl: info: the following atomic services have been brought down:\nweb\n");
  r = orv({"live", "restart", "web"});
  EXPECT_EQ(r.code, 0) << r.err;
  r = orv({"live", "status", "web", "db"});
  EXPECT_EQ(r.out, "web/up\ndb/up\n");
}

TEST_F(NoPath, ProcessStatusAndRepositoryInit) {
  result r =
      run({testbed_bin() + "/tb-svdir", t / "scan", "web", "down", "age", "5"}, testbed_env(tb));
  ASSERT_EQ(r.code, 0) << r.err;
  r = orv({"process", "status", "web"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(std::regex_match(r.out, std::regex(t / "scan/web" + ": down [0-9]+ seconds\n")))
      << r.out;

  r = orv({"repository", "init"});
  EXPECT_EQ(r.code, 0) << r.err;
  strings names = tools_run();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(strings(names.end() - 2, names.end()), (strings{"tuvo-repo-init", "tuvo-set-new"}));
}

}  // namespace
