// live status in a sandbox: a compiled database of longruns, command
// services, bundles and an essential service, the working service-manager
// stand-ins, and the real chain through grep, sed and the echo helper.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/json_check.h"
#include "support/names.h"
#include "support/run.h"

namespace {

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

// The text form's lines as the array --json must give, canonical.
std::string as_json(std::string const& text) {
  std::string r = "[";
  size_t start = 0;
  while (start < text.size()) {
    size_t const nl = text.find('\n', start);
    std::string const line = text.substr(start, nl - start);
    start = nl + 1;
    size_t const slash = line.rfind('/');
    if (r.size() > 1) r += ",";
    r += R"({"name":")" + line.substr(0, slash) + R"(","up":)" +
         (line.substr(slash) == "/up" ? "true" : "false") + "}";
  }
  return r + "]";
}

TEST_F(LiveStatusSandbox, JsonHoldsExactlyTheLinesOfTheTextForm) {
  make(kDescription);
  strings const rows[] = {
      {},
      {"-E"},
      {"-e"},
      {"web"},
      {"db"},
      {"pair"},
      {"all", "net"},
      {"mounts", "web"},
      {"-E", "mounts", "web"},
      {"-E", "-e", "mounts"},
  };
  auto check = [&](strings const& opts) {
    strings args = {"live", "status"};
    args.insert(args.end(), opts.begin(), opts.end());
    result const text = orv(args);
    ASSERT_EQ(text.code, 0) << text.err;
    args.insert(args.begin() + 2, "--json");
    result const r = orv(args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(json_canonical(r.out), as_json(text.out)) << text.out;
  };
  for (auto const& c : rows) check(c);
  ASSERT_EQ(orv({"live", "start", "web", "mounts"}).code, 0);
  for (auto const& c : rows) check(c);
  // An empty result, and a name the database does not hold.
  result r = orv({"live", "status", "--json", "-e", "mounts"});
  EXPECT_EQ(r.out, "[]\n");
  r = orv({"live", "status", "--json", "web", "nosuch"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
}

// More names than the text form can carry as one argument.
TEST_F(LiveStatusSandbox, JsonOverAHundredThousandNames) {
  constexpr int n = 100000;
  auto name = [](int i) {
    std::string s = std::to_string(i);
    return "svc" + std::string(6 - s.size(), '0') + s;
  };
  std::string description, state;
  for (int i = 0; i < n; i++) {
    description += "longrun " + name(i) + "\n";
    state += static_cast<char>(i % 2 == 0);  // the even ones are up
  }
  make(description);
  write_file(live + "/state", state);

  strings args = {"live", "status", "--json"};
  for (int i = n - 1; i >= 0; i--) args.push_back(name(i));
  result r = orv(args);
  ASSERT_EQ(r.code, 0) << r.err.substr(0, 200);
  std::string expect = "[";
  for (int pass = 0; pass < 2; pass++)
    for (int i = n - 1; i >= 0; i--)
      if (i % 2 == pass)
        expect += std::string(expect.size() > 1 ? "," : "") + R"({"name":")" + name(i) +
                  R"(","up":)" + (pass ? "false" : "true") + "}";
  expect += "]";
  EXPECT_TRUE(r.out == expect + "\n") << r.out.size() << " bytes, expected " << expect.size();
  EXPECT_TRUE(json_canonical(r.out) == expect);

  // Without names: all of them, up ones first.
  r = orv({"live", "status", "--json"});
  ASSERT_EQ(r.code, 0) << r.err.substr(0, 200);
  std::string const canon = json_canonical(r.out);
  EXPECT_EQ(canon.rfind(R"([{"name":"svc000000","up":true},)", 0), 0u);
  size_t ups = 0, downs = 0;
  for (size_t p = 0; (p = canon.find("\"up\":", p)) != std::string::npos; p++)
    (canon.compare(p + 5, 4, "true") == 0 ? ups : downs)++;
  EXPECT_EQ(ups, size_t{n / 2});
  EXPECT_EQ(downs, size_t{n / 2});
}

}  // namespace
