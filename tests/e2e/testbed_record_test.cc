// The stand-ins' recording protocol: what tests read back is exactly what ran.
#include <gtest/gtest.h>

#include <csignal>

#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"
#include "testbed/common/tbrecord.h"

namespace {

std::vector<std::string> const all_config = {"scandir=/s", "livedir=/l", "repodir=/r",
                                             "bootdb=/b",  "stmpdir=/t", "storelist=/x",
                                             "verbosity=2"};

TEST(TestbedRecord, AwkwardElementsComeBackExactly) {
  tempdir tb;
  std::string const tool = testbed_bin() + "/tuvo-set-change";
  std::vector<std::string> argv = {tool,   "two words",    "line\nbreak", "",         "[",
                                   "]x\\", "h\xc3\xa9llo", "-v",          "\x7f\x01", "--"};
  // Variables given in another order come back in the fixed order.
  std::vector<std::string> env = testbed_env(tb.path(), {"verbosity=2", "scandir=/s"});
  auto r = run(argv, env);
  EXPECT_EQ(r.code, 0);
  env = testbed_env(tb.path(), all_config);
  r = run({tool}, env);
  EXPECT_EQ(r.code, 0);
  r = run({tool, ""}, testbed_env(tb.path()));
  EXPECT_EQ(r.code, 0);

  auto calls = tb::read_log(tb.path());
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].argv, argv);
  EXPECT_EQ(calls[0].env, (std::vector<std::string>{"scandir", "verbosity"}));
  EXPECT_EQ(calls[1].argv, std::vector<std::string>{tool});
  EXPECT_EQ(calls[1].env, (std::vector<std::string>{"scandir", "livedir", "repodir", "bootdb",
                                                    "stmpdir", "storelist", "verbosity"}));
  EXPECT_EQ(calls[2].argv, (std::vector<std::string>{tool, ""}));
  EXPECT_TRUE(calls[2].env.empty());

  // The log's own bytes, as other tools may read them.
  std::string log = read_file(tb / "log");
  EXPECT_NE(log.find("[two words] [line\\x0abreak] [] [\\x5b] [\\x5dx\\x5c] [h\\xc3\\xa9llo] "
                     "[-v] [\\x7f\\x01] [--]\nenv scandir verbosity\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\nenv\n"), std::string::npos);
  EXPECT_EQ(tb::escape("a b[\n]"), "a b\\x5b\\x0a\\x5d");
}

TEST(TestbedRecord, NoLogWithoutTheVariable) {
  tempdir tb;
  auto r = run({testbed_bin() + "/record", "x"}, {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(tb::read_log(tb.path()).empty());
}

TEST(TestbedRecord, ControlFilesDecideOutputAndEnd) {
  tempdir tb;
  std::string const tool = testbed_bin() + "/tuvo-repo-list";
  write_file(tb / "tuvo-repo-list.stdout", std::string("out\0put\n", 8));
  write_file(tb / "tuvo-repo-list.stderr", "err\n");
  auto r = run({tool}, testbed_env(tb.path()));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string("out\0put\n", 8));
  EXPECT_EQ(r.err, "err\n");

  write_file(tb / "tuvo-repo-list.exit", "7\n");
  r = run({tool}, testbed_env(tb.path()));
  EXPECT_EQ(r.code, 7);
  EXPECT_EQ(r.out, std::string("out\0put\n", 8));

  // The signal wins over the exit code; output still comes first.
  write_file(tb / "tuvo-repo-list.signal", "15");
  r = run({tool}, testbed_env(tb.path()));
  EXPECT_EQ(r.signal, SIGTERM);
  EXPECT_EQ(r.err, "err\n");

  // Control files are per tool: another link is unaffected, and every run was logged.
  r = run({testbed_bin() + "/tuvo-repo-sync"}, testbed_env(tb.path()));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(tb::read_log(tb.path()).size(), 4u);
}

}  // namespace
