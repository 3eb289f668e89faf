// The chain-loading stand-ins really chain: blocks decoded by depth, pipes,
// descriptors and background children as the live status chains use them.
#include <gtest/gtest.h>

#include <set>

#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

namespace {

std::vector<std::string> tool(std::string const& name, std::vector<std::string> rest) {
  rest.insert(rest.begin(), testbed_bin() + "/" + name);
  return rest;
}

// The named-services vector, element for element, with ATOMICS and LIST.
std::vector<std::string> named_chain(std::string const& atomics, std::string const& list) {
  std::string const echo = bin_path("orvctl-helper-echo");
  return tool(
      "ifthen",
      {" mkpipe", " 3",   " 4",          " spawnbg", "  shutfd",    "  3",       "  fdshift",
       "  1",     "  4",  "  " + echo,   "  -n",     "  --",        "  " + list, " ",
       " shutfd", " 4",   " feedin",     " 0",       " " + atomics, " pipeto",   "  grep",
       "  -Fx",   "  -f", "  /dev/fd/3", " ",        " sed",        " s|$|/up|", "",
       "mkpipe",  "3",    "4",           "spawnbg",  " shutfd",     " 3",        " fdshift",
       " 1",      " 4",   " " + echo,    " -n",      " --",         " " + list,  "",
       "shutfd",  "4",    "feedin",      "0",        atomics,       "pipeto",    " grep",
       " -vFx",   " -f",  " /dev/fd/3",  "",         "sed",         "s|$|/down|"});
}

TEST(TestbedChain, NamedStatusChainLabelsUpThenDown) {
  struct row {
    char const* atomics;
    char const* list;
    char const* out;
  } const rows[] = {
      {"a\nb\nc\n", "b\nz\n", "b/up\na/down\nc/down\n"},
      {"web\n", "web\n", "web/up\n"},
      {"one\ntwo\n", "two\n", "two/up\none/down\n"},
      // Nothing up: an empty pattern stream, and the list element is bare spaces.
      {"a\nb\n", "", "a/down\nb/down\n"},
      {"", "a\n", ""},
      // Whole lines only: "ab" is not "a".
      {"a\nab\n", "ab\n", "ab/up\na/down\n"},
  };
  for (auto const& c : rows) {
    tempdir tb;
    auto argv = named_chain(c.atomics, c.list);
    ASSERT_EQ(argv.size(), 56u);
    auto r = run(argv, testbed_env(tb.path()));
    EXPECT_EQ(r.code, 0) << c.atomics << r.err;
    EXPECT_EQ(r.out, c.out) << c.atomics;
    EXPECT_EQ(r.err, "");
    std::set<std::string> names;
    for (auto const& call : tb::read_log(tb.path()))
      names.insert(call.argv.at(0).substr(call.argv.at(0).rfind('/') + 1));
    EXPECT_EQ(names, (std::set<std::string>{"fdshift", "feedin", "ifthen", "mkpipe", "pipeto",
                                            "shutfd", "spawnbg"}));
  }
}

TEST(TestbedChain, AllStatusChainNestsAPipeInsideTheCondition) {
  tempdir tb, bin;
  // A list tool that answers by its flag word, ahead of the testbed's own.
  write_file(bin / "tuvo",
             "#!/bin/sh\ncase \"$3\" in -buae) printf 'a\\nb\\n';; -bdae) echo c;; esac\n", 0755);
  std::vector<std::string> env = testbed_env(tb.path());
  env[0] = "PATH=" + bin.path() + ":" + testbed_bin() + ":/usr/bin:/bin";
  auto argv = tool("ifthen", {" pipeto", "  tuvo", "  -l", "  /run/live", "  -buae", "  list", " ",
                              " sed", " s|$|/up|", "", "pipeto", " tuvo", " -l", " /run/live",
                              " -bdae", " list", "", "sed", "s|$|/down|"});
  ASSERT_EQ(argv.size(), 20u);
  auto r = run(argv, env);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "a/up\nb/up\nc/down\n");
  auto calls = tb::read_log(tb.path());
  ASSERT_GE(calls.size(), 1u);
  EXPECT_EQ(calls[0].argv, argv);
}

TEST(TestbedChain, EachCommandDoesItsOneThing) {
  struct row {
    std::vector<std::string> argv;  // the first element is a stand-in's name
    int code;
    char const* out;
  } const rows[] = {
      {{"ifthen", " true", "", "echo", "yes"}, 0, "yes\n"},
      {{"ifthen", " false", "", "echo", "no"}, 1, ""},
      {{"ifthen", " sh", " -c", " kill -9 $$", "", "echo", "no"}, 128 + 9, ""},
      // Depth 2: the inner block ends with one space, the outer with the empty element.
      {{"ifthen", " ifthen", "  echo", "  in ner", " ", " echo", " middle", "", "echo", "outer"},
       0,
       "in ner\nmiddle\nouter\n"},
      {{"ifthen", " sh", " -c", " exit 3", "", "echo"}, 3, ""},
      {{"pipeto", " echo", " hi", "", "tr", "a-z", "A-Z"}, 0, "HI\n"},
      {{"spawnbg", " true", "", "echo", "fg"}, 0, "fg\n"},
      {{"mkpipe", "3", "4", "spawnbg", " fdshift", " 1", " 4", " echo", " via pipe", "", "shutfd",
        "4", "cat", "/dev/fd/3"},
       0,
       "via pipe\n"},
      {{"feedin", "0", "fed\ntext", "cat"}, 0, "fed\ntext"},
      {{"feedin", "7", "", "cat", "/dev/fd/7"}, 0, ""},
      {{"fdshift", "5", "1", "sh", "-c", "echo moved >&5"}, 0, "moved\n"},
      {{"shutfd", "1", "sh", "-c", "echo x || exit 9"}, 9, ""},
  };
  for (auto const& c : rows) {
    tempdir tb;
    std::vector<std::string> argv(c.argv.begin() + 1, c.argv.end());
    auto r = run(tool(c.argv[0], argv), testbed_env(tb.path()));
    EXPECT_EQ(r.code, c.code) << c.argv[0] << " " << c.argv[1] << r.err;
    EXPECT_EQ(r.out, c.out) << c.argv[0] << " " << c.argv[1];
  }
}

TEST(TestbedChain, BadVectorsAreUsageErrors) {
  struct row {
    std::vector<std::string> argv;
    int code;
  } const rows[] = {
      {{"ifthen", " true"}, 100},  // block never ends
      {{
           "ifthen",
           " true",
           "",
       },
       100},                                  // nothing after the block
      {{"ifthen", "true", "", "echo"}, 100},  // element without its space
      {{"ifthen", "", "echo"}, 100},          // empty block
      {{"pipeto", " echo", "echo"}, 100},
      {{"mkpipe", "3", "3", "true"}, 100},
      {{"mkpipe", "3", "x", "true"}, 100},
      {{"fdshift", "1", "-2", "true"}, 100},
      {{"shutfd", "3"}, 100},
      {{"feedin", "0", "text"}, 100},
      {{"fdshift", "1", "9", "true"}, 111},  // descriptor 9 is not open
      {{"ifthen", " true", "", "no-such-program-here"}, 127},
      {{"spawnbg", " true", "", "/"}, 126},
  };
  for (auto const& c : rows) {
    tempdir tb;
    std::vector<std::string> argv(c.argv.begin() + 1, c.argv.end());
    auto r = run(tool(c.argv[0], argv), testbed_env(tb.path()));
    EXPECT_EQ(r.code, c.code) << c.argv[0] << " " << c.argv.size() << " " << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(c.argv[0] + ": ", 0), 0u) << r.err;
  }
}

TEST(TestbedChain, ExitControlFileStopsTheChain) {
  tempdir tb;
  write_file(tb / "ifthen.exit", "5\n");
  auto r = run(tool("ifthen", {" echo", " block", "", "echo", "rest"}), testbed_env(tb.path()));
  EXPECT_EQ(r.code, 5);
  EXPECT_EQ(r.out, "");
}

}  // namespace
