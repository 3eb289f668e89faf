#include "support/handoff.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/run.h"
#include "testbed/common/tblog.h"

namespace orvtest {

void expect_run(std::vector<std::string> const& argv, std::vector<std::string> const& env,
                std::string const& tbdir, handoff_expect const& want,
                std::function<std::string(std::string const&)> const& expand) {
  using vec = std::vector<std::string>;
  auto x = [&](std::string const& s) { return expand ? expand(s) : s; };
  result r = run(argv, env);
  EXPECT_EQ(r.code, want.code);
  EXPECT_EQ(r.out, x(want.out));
  EXPECT_EQ(r.err, x(want.err));
  std::vector<vec> got, expected;
  for (auto const& call : tb::read_log(tbdir)) {
    got.push_back(call.argv);
    EXPECT_TRUE(call.env.empty()) << call.argv[0] << " saw a configuration variable";
  }
  for (auto const& v : want.calls) {
    expected.emplace_back();
    for (auto const& e : v) expected.back().push_back(x(e));
  }
  EXPECT_EQ(got, expected);
}

void expect_handoff(cli_row const& c, std::map<std::string, std::string> const& defaults) {
  using vec = std::vector<std::string>;
  tempdir tb;
  for (auto const& [file, content] : defaults) write_file(tb / file, content);
  for (auto const& [file, content] : c.control) write_file(tb / file, content);
  vec env = testbed_env(tb.path(), c.env);
  if (!c.tools.empty()) {
    std::string bin = tb / "bin";
    mkdir(bin.c_str(), 0755);
    for (auto const& t : c.tools) {
      if (t[0] == '!')
        write_file(bin + "/" + t.substr(1), "#!/bin/sh\nexit 0\n", 0644);
      else
        ASSERT_EQ(symlink((testbed_bin() + "/" + t).c_str(), (bin + "/" + t).c_str()), 0);
    }
    env = {"PATH=" + bin, "ORV_TB_DIR=" + tb.path()};
    env.insert(env.end(), c.env.begin(), c.env.end());
  }
  vec argv = {orv_path()};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  expect_run(argv, env, tb.path(), {c.code, "", c.err, c.calls});
}

void expect_help_text(std::string const& group, std::string const& word, std::string const& text) {
  result r = run({orv_path(), group, "help", word}, {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(r.code, 0) << group;
  EXPECT_EQ(r.out, text) << group;
  EXPECT_EQ(r.err, "") << group;

  run_opts full;
  full.stdout_mode = out_mode::devfull;
  r = run({orv_path(), group, "help"}, {"PATH=/usr/bin:/bin"}, full);
  EXPECT_EQ(r.code, 111) << group;
  EXPECT_EQ(r.err, "orvctl: fatal: unable to write to stdout: No space left on device\n") << group;
}

}  // namespace orvtest
