// live status in a sandbox: a compiled database of longruns, command
// services, bundles and an essential service, the working service-manager
// stand-ins, and the real chain through grep, sed and the echo helper.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/run.h"

namespace {

using orvtest::orv_path;
using orvtest::result;
using orvtest::run;
using orvtest::tempdir;
using orvtest::testbed_bin;
using orvtest::testbed_env;
using orvtest::write_file;
using strings = std::vector<std::string>;

class LiveStatusSandbox : public testing::Test {
 protected:
  // Builds the compiled database from description and a live directory on it.
  void make(std::string const& description) {
    mkdir((t / "tb").c_str(), 0755);
    write_file(t / "src", description);
    result r = tool("tb-tuvo-compile", {t / "src", t / "compiled"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = tool("tuvo-init", {"-l", live, "-c", t / "compiled", "--", t / "scan"});
    ASSERT_EQ(r.code, 0) << r.err;
  }
  result tool(std::string const& name, strings args) {
    args.insert(args.begin(), testbed_bin() + "/" + name);
    return run(args, testbed_env(t / "tb"));
  }
  result orv(strings args) {
    args.insert(args.begin(), {orv_path(), "-l", live});
    return run(args, testbed_env(t / "tb"));
  }

  tempdir t;
  std::string live = t / "live";
};

std::string const kDescription =
    "longrun log\n"
    "longrun web deps log net\n"
    "longrun db\n"
    "oneshot net\n"
    "oneshot mounts\n"
    "bundle default web\n"
    "bundle pair db log\n"
    "bundle all default pair\n"
    "essential mounts\n";

TEST_F(LiveStatusSandbox, AllServicesUpThenDownInListOrder) {
  make(kDescription);
  struct row {
    strings args;
    char const* before;
    char const* after;
  } const rows[] = {
      {{}, "log/down\nweb/down\ndb/down\nnet/down\n", "log/up\nweb/up\nnet/up\ndb/down\n"},
      {{"-E"},
       "log/down\nweb/down\ndb/down\nnet/down\nmounts/down\n",
       "log/up\nweb/up\nnet/up\nmounts/up\ndb/down\n"},
  };
  for (auto const& c : rows) {
    strings args = {"live", "status"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    result r = orv(args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.before);
    EXPECT_EQ(r.err, "");
  }
  // web needs log and net; the essential service comes up with the start too.
  ASSERT_EQ(orv({"live", "start", "web", "mounts"}).code, 0);
  for (auto const& c : rows) {
    strings args = {"live", "status"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    result r = orv(args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.after);
  }
}

TEST_F(LiveStatusSandbox, NamedServicesInTheOrderOfTheirAtomics) {
  make(kDescription);
  ASSERT_EQ(orv({"live", "start", "web", "mounts"}).code, 0);
  struct row {
    strings args;
    char const* out;
  } const rows[] = {
      {{"web"}, "web/up\n"},
      {{"db"}, "db/down\n"},
      // A bundle of two of which only the second is up.
      {{"pair"}, "log/up\ndb/down\n"},
      {{"all", "net"}, "web/up\nlog/up\nnet/up\ndb/down\n"},
      {{"mounts", "web"}, "web/up\n"},
      {{"-E", "mounts", "web"}, "mounts/up\nweb/up\n"},
      {{"-E", "-e", "mounts"}, ""},
  };
  for (auto const& c : rows) {
    strings args = {"live", "status"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    result r = orv(args);
    EXPECT_EQ(r.code, 0) << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(LiveStatusSandbox, NothingUpMeansEveryNameDown) {
  make(kDescription);
  result r = orv({"live", "status", "all"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "web/down\ndb/down\nlog/down\n");
}

TEST_F(LiveStatusSandbox, UnknownNameFailsWithTheToolsMessage) {
  make(kDescription);
  result r = orv({"live", "status", "web", "nosuch"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("nosuch"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("orvctl"), std::string::npos) << r.err;
}

TEST_F(LiveStatusSandbox, TenThousandNamedServices) {
  constexpr int n = 10000;
  auto name = [](int i) {
    std::string s = std::to_string(i);
    return "svc" + std::string(5 - s.size(), '0') + s;
  };
  std::string description, evens = "bundle evens";
  for (int i = 0; i < n; i++) description += "longrun " + name(i) + "\n";
  for (int i = 0; i < n; i += 2) evens += " " + name(i);
  make(description + evens + "\n");
  ASSERT_EQ(orv({"live", "start", "evens"}).code, 0);

  strings args = {"live", "status"};
  for (int i = n - 1; i >= 0; i--) args.push_back(name(i));
  result r = orv(args);
  ASSERT_EQ(r.code, 0) << r.err.substr(0, 200);
  std::string expect;
  for (int i = n - 1; i >= 0; i--)
    if (i % 2 == 0) expect += name(i) + "/up\n";
  for (int i = n - 1; i >= 0; i--)
    if (i % 2) expect += name(i) + "/down\n";
  EXPECT_TRUE(r.out == expect) << r.out.size() << " bytes, expected " << expect.size();
  EXPECT_EQ(r.err, "");
}

}  // namespace
