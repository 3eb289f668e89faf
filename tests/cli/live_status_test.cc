// live status as the tools see it: the exact chain vectors, the two queries
// of the named form, and how their failures end the command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/json_check.h"
#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

namespace {

std::string const kLive = "/run/live dir";

strings all_chain(char const* up, char const* down) {
  return {"ifthen",     " pipeto",
          "  tuvo",     "  -l",
          "  " + kLive, std::string("  ") + up,
          "  list",     " ",
          " sed",       " s|$|/up|",
          "",           "pipeto",
          " tuvo",      " -l",
          " " + kLive,  std::string(" ") + down,
          " list",      "",
          "sed",        "s|$|/down|"};
}

strings named_chain(std::string const& atomics, std::string const& list) {
  std::string const echo = bin_path("orvctl-helper-echo");
  return {"ifthen",    " mkpipe", " 3",   " 4",          " spawnbg", "  shutfd",    "  3",
          "  fdshift", "  1",     "  4",  "  " + echo,   "  -n",     "  --",        "  " + list,
          " ",         " shutfd", " 4",   " feedin",     " 0",       " " + atomics, " pipeto",
          "  grep",    "  -Fx",   "  -f", "  /dev/fd/3", " ",        " sed",        " s|$|/up|",
          "",          "mkpipe",  "3",    "4",           "spawnbg",  " shutfd",     " 3",
          " fdshift",  " 1",      " 4",   " " + echo,    " -n",      " --",         " " + list,
          "",          "shutfd",  "4",    "feedin",      "0",        atomics,       "pipeto",
          " grep",     " -vFx",   " -f",  " /dev/fd/3",  "",         "sed",         "s|$|/down|"};
}

// Runs orv -l kLive live status ARGS with the stand-ins; control files first.
struct status_run {
  tempdir tb;
  result r;
  std::vector<tb::call> calls;

  void control(std::string const& name, std::string const& content) {
    write_file(tb / name, content);
  }
  void go(strings const& args, strings const& extra_env = {}) {
    strings argv = {orv_path(), "-l", kLive, "live", "status"};
    argv.insert(argv.end(), args.begin(), args.end());
    r = run(argv, testbed_env(tb.path(), extra_env));
    calls = tb::read_log(tb.path());
  }
};

TEST(LiveStatusAll, ExecsTheTwentyElementChain) {
  struct row {
    strings args;
    char const* up;
    char const* down;
  } const rows[] = {
      {{}, "-buae", "-bdae"},
      {{"-E"}, "-buaE", "-bdaE"},
      {{"--with-essentials"}, "-buaE", "-bdaE"},
      {{"-E", "-e"}, "-buae", "-bdae"},
      {{"-eE", "--"}, "-buaE", "-bdaE"},
  };
  for (auto const& c : rows) {
    status_run s;
    s.control("ifthen.exit", "0");
    s.go(c.args);
    EXPECT_EQ(s.r.code, 0) << c.up << s.r.err;
    ASSERT_EQ(s.calls.size(), 1u) << c.up;
    EXPECT_EQ(s.calls[0].argv, all_chain(c.up, c.down));
  }
}

TEST(LiveStatusNamed, RunsBothQueriesThenTheFiftySixElementChain) {
  status_run s;
  s.control("tuvo-db.stdout", "a\nb\n");
  s.control("tuvo-db.exit", "0");
  s.control("tuvo.stdout", "b\nz\n");
  s.control("tuvo.exit", "0");
  s.control("ifthen.exit", "0");
  s.go({"-E", "-e", "web", "all"}, {"livedir=/elsewhere", "scandir=/s"});
  EXPECT_EQ(s.r.code, 0) << s.r.err;
  EXPECT_EQ(s.r.out, "");
  ASSERT_EQ(s.calls.size(), 3u);
  EXPECT_EQ(s.calls[0].argv,
            (strings{"tuvo-db", "-l", kLive, "-be", "--", "atomics", "web", "all"}));
  EXPECT_EQ(s.calls[1].argv, (strings{"tuvo", "-l", kLive, "-bae", "--", "list"}));
  // The queries get the environment as it is; the chain does not.
  EXPECT_EQ(s.calls[0].env, (strings{"scandir", "livedir"}));
  EXPECT_EQ(s.calls[1].env, (strings{"scandir", "livedir"}));
  auto const chain = named_chain("a\nb\n", "b\nz\n");
  ASSERT_EQ(chain.size(), 56u);
  EXPECT_EQ(s.calls[2].argv, chain);
  EXPECT_TRUE(s.calls[2].env.empty());
}

TEST(LiveStatusNamed, EssentialsAndEmptyOutputs) {
  status_run s;
  s.control("tuvo-db.exit", "0");  // prints nothing
  s.control("tuvo.exit", "0");
  s.control("ifthen.exit", "0");
  s.go({"--with-essentials", "x"});
  ASSERT_EQ(s.calls.size(), 3u) << s.r.err;
  EXPECT_EQ(s.calls[0].argv, (strings{"tuvo-db", "-l", kLive, "-bE", "--", "atomics", "x"}));
  EXPECT_EQ(s.calls[1].argv, (strings{"tuvo", "-l", kLive, "-baE", "--", "list"}));
  EXPECT_EQ(s.calls[2].argv, named_chain("", ""));
}

TEST(LiveStatusNamed, QueryFailuresEndTheCommandBeforeTheChain) {
  struct row {
    char const* name;
    strings controls;  // file, content, ...
    int code;
    std::string err;
    size_t ncalls;
  } const rows[] = {
      {"AtomicsFails", {"tuvo-db.exit", "1"}, 1, "", 1},
      {"AtomicsExits200", {"tuvo-db.exit", "200"}, 128, "", 1},
      {"AtomicsCrashes",
       {"tuvo-db.signal", "9"},
       111,
       "orvctl: fatal: tuvo-db crashed with signal 9\n",
       1},
      {"ListFails", {"tuvo-db.exit", "0", "tuvo.exit", "3"}, 3, "", 2},
      {"ListExits200", {"tuvo-db.exit", "0", "tuvo.exit", "200"}, 128, "", 2},
      {"ListCrashes",
       {"tuvo-db.exit", "0", "tuvo.signal", "9"},
       111,
       "orvctl: fatal: tuvo crashed with signal 9\n",
       2},
  };
  for (auto const& c : rows) {
    status_run s;
    for (size_t i = 0; i < c.controls.size(); i += 2) s.control(c.controls[i], c.controls[i + 1]);
    s.control("ifthen.exit", "0");
    s.go({"web"});
    EXPECT_EQ(s.r.code, c.code) << c.name;
    EXPECT_EQ(s.r.out, "") << c.name;
    EXPECT_EQ(s.r.err, c.err) << c.name;
    EXPECT_EQ(s.calls.size(), c.ncalls) << c.name;
  }
}

TEST(LiveStatus, ToolsThatCannotBeRun) {
  tempdir tb, bin;
  // Only the tools named here are on the path.
  for (char const* t : {"tuvo-db", "tuvo"}) write_file(bin / t, "#!/bin/sh\necho x\n", 0755);
  strings env = {"PATH=" + bin.path()};
  result r = run({orv_path(), "-l", kLive, "live", "status"}, env);
  EXPECT_EQ(r.code, 127);
  EXPECT_EQ(r.err, "orvctl: fatal: unable to exec ifthen: No such file or directory\n");
  r = run({orv_path(), "-l", kLive, "live", "status", "web"}, env);
  EXPECT_EQ(r.code, 127);
  EXPECT_EQ(r.err, "orvctl: fatal: unable to exec ifthen: No such file or directory\n");
  env = {"PATH=" + tb.path()};
  r = run({orv_path(), "-l", kLive, "live", "status", "web"}, env);
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(r.err, "orvctl: fatal: unable to spawn tuvo-db: No such file or directory\n");
  write_file(tb / "tuvo-db", "#!/bin/sh\necho x\n", 0755);
  r = run({orv_path(), "-l", kLive, "live", "status", "web"}, env);
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(r.err, "orvctl: fatal: unable to spawn tuvo: No such file or directory\n");
  EXPECT_EQ(r.out, "");
}

TEST(LiveStatus, BadOptionIsAUsageError) {
  status_run s;
  s.go({"-x", "web"});
  EXPECT_EQ(s.r.code, 100);
  EXPECT_EQ(s.r.err, "orvctl: fatal: unrecognized short option: x\n");
  EXPECT_TRUE(s.calls.empty());
}

// The lists reach the chain as single arguments, each held to Linux's limit
// for one argument (32 pages with its NUL). The database tool's output goes
// with one leading space, the list tool's with two: up to that, the chain
// runs; one byte more, the hand-off refuses the exec.
TEST(LiveStatusNamed, ListsUpToOneArgumentsLimit) {
  size_t const limit = 32 * static_cast<size_t>(sysconf(_SC_PAGESIZE));
  struct row {
    char const* tool;
    size_t bytes;
    int code;
  } const rows[] = {
      {"tuvo-db", limit - 2, 0},
      {"tuvo-db", limit - 1, 126},
      {"tuvo", limit - 3, 0},
      {"tuvo", limit - 2, 126},
  };
  for (auto const& c : rows) {
    status_run s;
    std::string out;
    for (int i = 0; out.size() < c.bytes; i++) out += "s" + std::to_string(i) + "\n";
    out.resize(c.bytes - 1);
    out += "\n";
    s.control("tuvo-db.exit", "0");
    s.control("tuvo.exit", "0");
    s.control(std::string(c.tool) + ".stdout", out);
    s.control("ifthen.exit", "0");
    s.go({"all"});
    EXPECT_EQ(s.r.code, c.code) << c.tool << " " << c.bytes;
    EXPECT_EQ(s.r.err,
              c.code ? "orvctl: fatal: unable to exec ifthen: Argument list too long\n" : "")
        << c.tool;
    EXPECT_EQ(s.r.out, "");
    EXPECT_EQ(s.calls.size(), c.code ? 2u : 3u) << c.tool;
  }
}

// Without the test build's override the helpers are run from the default
// prefix's libexec folder: configure the project the plain way and read the
// definitions its compile commands carry.
TEST(HelperPaths, DefaultConfigurationUsesTheInstalledPaths) {
  tempdir build;
  result r = run({"/usr/bin/cmake", "-S", ORV_SOURCE_DIR, "-B", build.path(), "-G", "Ninja",
                  "-DBUILD_TESTING=OFF", "-DORV_BUILD_TESTBED=OFF"},
                 {"PATH=/usr/bin:/bin"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  std::string const commands = orvtest::read_file(build / "compile_commands.json");
  EXPECT_NE(commands.find(R"(-DORV_HELPER_ECHO=\\\"/usr/local/libexec/orvctl-helper-echo\\\")"),
            std::string::npos);
  EXPECT_NE(commands.find(R"(-DORV_HELPER_KILL=\\\"/usr/local/libexec/orvctl-helper-kill\\\")"),
            std::string::npos);
}

// --json: the same queries, labelled by the front end; no chain runs.
TEST(LiveStatusJson, AllRunsTheListToolForUpThenDownWithoutTheConfiguration) {
  struct row {
    strings args;
    char const* up;
    char const* down;
  } const rows[] = {
      {{"--json"}, "-buae", "-bdae"},
      {{"--json", "-E"}, "-buaE", "-bdaE"},
      {{"-E", "--json", "--without-essentials"}, "-buae", "-bdae"},
  };
  for (auto const& c : rows) {
    status_run s;
    s.control("tuvo.stdout", "a\nb\n");
    s.control("tuvo.exit", "0");
    s.go(c.args, {"livedir=/elsewhere", "verbosity=3"});
    EXPECT_EQ(s.r.code, 0) << c.up << s.r.err;
    EXPECT_EQ(s.r.err, "");
    EXPECT_EQ(s.r.out, R"([{"name":"a","up":true},{"name":"b","up":true},)"
                       R"({"name":"a","up":false},{"name":"b","up":false}])"
                       "\n");
    EXPECT_EQ(json_canonical(s.r.out), s.r.out.substr(0, s.r.out.size() - 1));
    ASSERT_EQ(s.calls.size(), 2u) << c.up;
    EXPECT_EQ(s.calls[0].argv, (strings{"tuvo", "-l", kLive, c.up, "list"}));
    EXPECT_EQ(s.calls[1].argv, (strings{"tuvo", "-l", kLive, c.down, "list"}));
    // As from inside the text form's chain: no configuration variable.
    EXPECT_TRUE(s.calls[0].env.empty());
    EXPECT_TRUE(s.calls[1].env.empty());
  }
}

TEST(LiveStatusJson, NamedRunsTheSameTwoQueriesAndNoChain) {
  status_run s;
  s.control("tuvo-db.stdout", "a\nb\nc\nb\n");
  s.control("tuvo.stdout", "b\nz\nc");
  s.control("tuvo-db.exit", "0");
  s.control("tuvo.exit", "0");
  s.go({"-E", "-e", "--json", "web", "all"}, {"livedir=/elsewhere", "scandir=/s"});
  EXPECT_EQ(s.r.code, 0) << s.r.err;
  EXPECT_EQ(s.r.out, R"([{"name":"b","up":true},{"name":"c","up":true},{"name":"b","up":true},)"
                     R"({"name":"a","up":false}])"
                     "\n");
  ASSERT_EQ(s.calls.size(), 2u);
  EXPECT_EQ(s.calls[0].argv,
            (strings{"tuvo-db", "-l", kLive, "-be", "--", "atomics", "web", "all"}));
  EXPECT_EQ(s.calls[1].argv, (strings{"tuvo", "-l", kLive, "-bae", "--", "list"}));
  EXPECT_EQ(s.calls[0].env, (strings{"scandir", "livedir"}));
  EXPECT_EQ(s.calls[1].env, (strings{"scandir", "livedir"}));
}

TEST(LiveStatusJson, EmptyResultIsAnEmptyArray) {
  for (strings const& args : {strings{"--json"}, strings{"--json", "x"}}) {
    status_run s;
    s.control("tuvo-db.exit", "0");
    s.control("tuvo.exit", "0");
    s.go(args);
    EXPECT_EQ(s.r.code, 0) << s.r.err;
    EXPECT_EQ(s.r.out, "[]\n");
    EXPECT_EQ(json_canonical(s.r.out), "[]");
  }
}

// Names are lines: any bytes but newline. Strings escape what JSON needs;
// a name that is not UTF-8 comes as its byte values.
TEST(LiveStatusJson, NamesOfAnyBytes) {
  std::string const names =
      "q\"uote\n"
      "back\\slash\n"
      "tab\there\n"
      "ctl\x01\x1f\x7f\r\n"
      "caf\xc3\xa9\xe2\x82\xac\n"
      "bad\xff\xc3\n"
      "\n"
      "sl/ash\n";
  status_run s;
  s.control("tuvo-db.stdout", names);
  s.control("tuvo.stdout", "caf\xc3\xa9\xe2\x82\xac\nbad\xff\xc3\n");
  s.control("tuvo-db.exit", "0");
  s.control("tuvo.exit", "0");
  s.go({"--json", "x"});
  EXPECT_EQ(s.r.code, 0) << s.r.err;
  EXPECT_EQ(s.r.out,
            "[{\"name\":\"caf\xc3\xa9\xe2\x82\xac\",\"up\":true},"
            "{\"name\":[98,97,100,255,195],\"up\":true},"
            R"({"name":"q\"uote","up":false},)"
            R"({"name":"back\\slash","up":false},)"
            R"({"name":"tab\there","up":false},)"
            "{\"name\":\"ctl\\u0001\\u001f\x7f\\r\",\"up\":false},"
            R"({"name":"","up":false},)"
            R"({"name":"sl/ash","up":false}])"
            "\n");
  EXPECT_EQ(json_canonical(s.r.out),
            R"([{"name":"caf\u00e9\u20ac","up":true},{"name":[98,97,100,255,195],"up":true},)"
            R"({"name":"q\"uote","up":false},{"name":"back\\slash","up":false},)"
            R"({"name":"tab\there","up":false},{"name":"ctl\u0001\u001f\u007f\r","up":false},)"
            R"({"name":"","up":false},{"name":"sl/ash","up":false}])");
}

// A query that fails or crashes ends the command as in the text form, and
// nothing reaches standard output.
TEST(LiveStatusJson, QueryFailuresLeaveStandardOutputEmpty) {
  struct row {
    char const* name;
    strings args;
    strings controls;  // file, content, ...
    int code;
    std::string err;
    size_t ncalls;
  } const rows[] = {
      {"AtomicsFails", {"web"}, {"tuvo-db.exit", "1"}, 1, "", 1},
      {"AtomicsCrashes",
       {"web"},
       {"tuvo-db.signal", "9"},
       111,
       "orvctl: fatal: tuvo-db crashed with signal 9\n",
       1},
      {"ListExits200", {"web"}, {"tuvo.exit", "200"}, 128, "", 2},
      {"ListCrashes",
       {"web"},
       {"tuvo.signal", "11"},
       111,
       "orvctl: fatal: tuvo crashed with signal 11\n",
       2},
      {"AllUpListFails", {}, {"tuvo.exit", "3"}, 3, "", 1},
      {"AllUpListCrashes",
       {},
       {"tuvo.signal", "9"},
       111,
       "orvctl: fatal: tuvo crashed with signal 9\n",
       1},
  };
  for (auto const& c : rows) {
    status_run s;
    s.control("tuvo-db.stdout", "web\n");
    s.control("tuvo.stdout", "web\n");
    s.control("tuvo-db.exit", "0");
    s.control("tuvo.exit", "0");
    for (size_t i = 0; i < c.controls.size(); i += 2) s.control(c.controls[i], c.controls[i + 1]);
    strings args = {"--json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    s.go(args);
    EXPECT_EQ(s.r.code, c.code) << c.name;
    EXPECT_EQ(s.r.out, "") << c.name;
    EXPECT_EQ(s.r.err, c.err) << c.name;
    EXPECT_EQ(s.calls.size(), c.ncalls) << c.name;
  }
}

// The list of down services fails after the list of up ones has come:
// still no partial array.
TEST(LiveStatusJson, SecondListFailingLeavesStandardOutputEmpty) {
  struct row {
    char const* action;
    int code;
    std::string err;
  } const rows[] = {
      {"exit 5", 5, ""},
      {"kill -9 $$", 111, "orvctl: fatal: tuvo crashed with signal 9\n"},
  };
  for (auto const& c : rows) {
    tempdir bin;
    write_file(bin / "tuvo",
               std::string("#!/bin/sh\nfor a; do [ \"$a\" = -bdae ] && ") + c.action +
                   "; done\necho up1\n",
               0755);
    result r = run({orv_path(), "-l", kLive, "live", "status", "--json"},
                   {"PATH=" + bin.path() + ":/usr/bin:/bin"});
    EXPECT_EQ(r.code, c.code) << c.action;
    EXPECT_EQ(r.out, "") << c.action;
    EXPECT_EQ(r.err, c.err) << c.action;
  }
}

TEST(LiveStatusJson, ToolsThatCannotBeSpawned) {
  tempdir bin;
  for (strings const& args : {strings{"--json"}, strings{"--json", "web"}}) {
    strings argv = {orv_path(), "-l", kLive, "live", "status"};
    argv.insert(argv.end(), args.begin(), args.end());
    result r = run(argv, {"PATH=" + bin.path()});
    EXPECT_EQ(r.code, 111);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("orvctl: fatal: unable to spawn ") +
                         (args.size() > 1 ? "tuvo-db" : "tuvo") + ": No such file or directory\n");
  }
}

}  // namespace
