// orv live start, stop, restart and help as a user meets them: the exact
// vector the change tool receives, what orv prints, and its exit code. The
// recording stand-in is told by control files how to end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/bigendian.h"
#include "support/handoff.h"
#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

using namespace orvtest;

namespace {

// A live directory over a database of two longruns, "db" and "web": the
// compiled folder with its lock, the live lock and a state with db up.
void make_live(std::string const& live) {
  mkdir(live.c_str(), 0755);
  mkdir((live + "/compiled").c_str(), 0755);
  write_file(live + "/compiled/n", be32_words({0, 2, 7, 0, 0, 0}));
  std::string db = "tuvo-db: start\n" + std::string("db\0web\0", 7);
  db += be32_words({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + "\xfe";
  db += be32_words({3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + "\xfe";
  db += "\ntuvo-db: end\n";
  write_file(live + "/compiled/db", db);
  write_file(live + "/compiled/lock", "");
  write_file(live + "/state", std::string("\1\0", 2));
}

std::string const kUnchanged = "orvctl: info: the global state has not changed.\n";
// Stands for the live directory in the expectations.
std::string const L = "@LIVE@";

std::string subst(std::string s, std::string const& live) {
  for (size_t p; (p = s.find(L)) != std::string::npos;) s.replace(p, L.size(), live);
  return s;
}

using vec = std::vector<std::string>;

vec tuvo(vec tail) {
  vec v = {"tuvo", "--no-lock", "-v", "1"};
  v.insert(v.end(), tail.begin(), tail.end());
  return v;
}

class LiveStartStop : public testing::TestWithParam<cli_row> {};

TEST_P(LiveStartStop, GivesExactVectorOutputAndExitCode) {
  cli_row const& c = GetParam();
  tempdir t;
  std::string const live = t / "live", tb = t / "tb";
  mkdir(tb.c_str(), 0755);
  make_live(live);
  if (c.setup) c.setup(live);
  for (auto const& [file, content] : c.control) write_file(tb + "/" + file, content);
  vec argv = {orv_path(), "-l", live};
  for (auto const& a : c.args) argv.push_back(subst(a, live));
  expect_run(argv, testbed_env(tb, c.env), tb, {c.code, c.out, c.err, c.calls},
             [&](std::string const& e) { return subst(e, live); });
}

std::string const kStartUsage = "orvctl: usage: orv live start services...\n";
std::string const kBadTimeout = "orvctl: fatal: timeout must be an integer (milliseconds)\n";
std::map<std::string, std::string> const kExit1 = {{"tuvo.exit", "1"}};

INSTANTIATE_TEST_SUITE_P(
    Table, LiveStartStop,
    testing::Values(
        cli_row{.name = "StartNoName", .args = {"live", "start"}, .code = 100, .err = kStartUsage},
        cli_row{.name = "StopNoName",
                .args = {"live", "stop", "-n"},
                .code = 100,
                .err = "orvctl: usage: orv live stop services...\n"},
        cli_row{.name = "RestartNoName",
                .args = {"live", "restart", "--"},
                .code = 100,
                .err = "orvctl: usage: orv live restart services...\n"},
        // Checked before any lock: the live directory is not even there.
        cli_row{.name = "BadTimeoutBeforeLocks",
                .args = {"live", "stop", "-t", "abc", "web"},
                .setup = [](std::string const& l) { std::filesystem::remove_all(l); },
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "TimeoutOver32Bits",
                .args = {"live", "restart", "--timeout=4294967296", "web"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "UnknownOption",
                .args = {"live", "start", "-x", "web"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: x\n"},
        cli_row{.name = "Plain",
                .args = {"live", "start", "web"},
                .calls = {tuvo({"-l", L, "--", "start", "web"})}},
        cli_row{.name = "ZeroTimeoutIsNone",
                .args = {"live", "stop", "-t", "0", "web", "db"},
                .calls = {tuvo({"-l", L, "--", "stop", "web", "db"})}},
        cli_row{.name = "TimeoutAndDryRun",
                .args = {"live", "start", "-t", "500", "-n", "web"},
                .out = "would start web\n",
                .calls = {tuvo({"-t", "500", "-n1", "-l", L, "--", "start", "web"})}},
        cli_row{.name = "LongOptions",
                .args = {"live", "start", "--dry-run", "--timeout=007", "web"},
                .out = "would start web\n",
                .calls = {tuvo({"-t", "7", "-n1", "-l", L, "--", "start", "web"})}},
        cli_row{.name = "OptionsEndAtFirstName",
                .args = {"live", "start", "web", "-n"},
                .control = {{"tuvo.exit", "0"}},
                .calls = {tuvo({"-l", L, "--", "start", "web", "-n"})}},
        cli_row{.name = "VerbosityZero",
                .args = {"-v", "0", "live", "start", "web"},
                .calls = {{"tuvo", "--no-lock", "-v", "0", "-l", L, "--", "start", "web"}}},
        // Taken from the environment, then kept from the tool's.
        cli_row{.name = "VerbosityFromEnvironment",
                .args = {"live", "stop", "web"},
                .env = {"verbosity=3", "scandir=/x", "livedir=/elsewhere"},
                .calls = {{"tuvo", "--no-lock", "-v", "3", "-l", L, "--", "stop", "web"}}},
        cli_row{.name = "FailureIsReported",
                .args = {"live", "start", "web"},
                .control = kExit1,
                .code = 1,
                .out = kUnchanged,
                .calls = {tuvo({"-l", L, "--", "start", "web"})}},
        cli_row{.name = "FailureAt200Gives128",
                .args = {"live", "stop", "web"},
                .control = {{"tuvo.exit", "200"}},
                .code = 128,
                .out = kUnchanged,
                .calls = {tuvo({"-l", L, "--", "stop", "web"})}},
        cli_row{.name = "Exit127OfTheToolStays",
                .args = {"live", "stop", "web"},
                .control = {{"tuvo.exit", "127"}},
                .code = 127,
                .out = kUnchanged,
                .calls = {tuvo({"-l", L, "--", "stop", "web"})}},
        cli_row{.name = "SignalGives128PlusIt",
                .args = {"live", "start", "web"},
                .control = {{"tuvo.signal", "15"}},
                .code = 143,
                .out = kUnchanged,
                .calls = {tuvo({"-l", L, "--", "start", "web"})}},
        cli_row{.name = "VerbosityZeroIsSilent",
                .args = {"-v", "0", "live", "start", "web"},
                .control = kExit1,
                .setup =  // A report would fail on this database: it is never read.
                [](std::string const& l) { write_file(l + "/compiled/db", "junk"); },
                .code = 1,
                .calls = {{"tuvo", "--no-lock", "-v", "0", "-l", L, "--", "start", "web"}}},
        cli_row{.name = "RestartRunsStopThenStart",
                .args = {"live", "restart", "-t", "9", "web"},
                .calls = {tuvo({"-t", "9", "-l", L, "--", "stop", "web"}),
                          tuvo({"-t", "9", "-l", L, "--", "start", "web"})}},
        cli_row{.name = "RestartNeverStartsAfterFailedStop",
                .args = {"live", "restart", "web"},
                .control = kExit1,
                .code = 1,
                .out = kUnchanged,
                .calls = {tuvo({"-l", L, "--", "stop", "web"})}},
        cli_row{
            .name = "MissingCompiledLock",
            .args = {"live", "start", "web"},
            .setup = [](std::string const& l) { unlink((l + "/compiled/lock").c_str()); },
            .code = 111,
            .err = "orvctl: fatal: unable to take lock in " + L + ": No such file or directory\n"},
        cli_row{
            .name = "MissingLiveDirectory",
            .args = {"live", "restart", "web"},
            .setup = [](std::string const& l) { std::filesystem::remove_all(l); },
            .code = 111,
            .err = "orvctl: fatal: unable to take lock in " + L + ": No such file or directory\n"},
        cli_row{.name = "MissingSizesFile",
                .args = {"live", "start", "web"},
                .setup = [](std::string const& l) { unlink((l + "/compiled/n").c_str()); },
                .code = 111,
                .err = "orvctl: fatal: unable to read state size in " + L +
                       ": No such file or directory\n"},
        cli_row{.name = "CountsOverflow32Bits",
                .args = {"live", "start", "web"},
                .setup =
                    [](std::string const& l) {
                      write_file(l + "/compiled/n", be32_words({0xffffffff, 2, 7, 0, 0, 0}));
                    },
                .code = 111,
                .err = "orvctl: fatal: unable to read state size in " + L + ": Invalid argument\n"},
        cli_row{.name = "ShortStateFile",
                .args = {"live", "stop", "web"},
                .setup = [](std::string const& l) { write_file(l + "/state", "\1"); },
                .code = 111,
                .err = "orvctl: fatal: unable to read state in " + L + ": Invalid argument\n"},
        // Four billion services claimed: refused before any storage is taken.
        cli_row{.name = "HugeSizesClaim",
                .args = {"live", "stop", "web"},
                .setup =
                    [](std::string const& l) {
                      write_file(l + "/compiled/n", be32_words({0, 0xfffffff0, 7, 0, 0, 0}));
                    },
                .code = 111,
                .err = "orvctl: fatal: unable to read state in " + L + ": Invalid argument\n"},
        cli_row{.name = "MissingStateFile",
                .args = {"live", "stop", "web"},
                .setup = [](std::string const& l) { unlink((l + "/state").c_str()); },
                .code = 111,
                .err = "orvctl: fatal: unable to read state in " + L +
                       ": No such file or directory\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

// A change tool of the test's own that moves the state (and more) behind
// orv's back, then fails: what the report makes of it.
TEST(LiveStartStop, ReportAfterTheStateMoved) {
  struct {
    char const* name;
    std::string script;  // run by /bin/sh with $L the live directory
    int code;
    std::string out, err;
  } const cases[] = {
      {"NamesWhatWentUp", "printf '\\1\\1' >\"$L/state\"", 1,
       "orvctl: info: the following atomic services have been brought up:\nweb\n", ""},
      {"DamagedTrailer",
       "printf '\\0\\0' >\"$L/state\"; truncate -s -1 \"$L/compiled/db\"; "
       "printf 'x' >>\"$L/compiled/db\"",
       4, "", "orvctl: fatal: invalid service database in @LIVE@/compiled/db\n"},
      {"SizesNoLongerMatchTheState",
       "printf '\\0\\0\\0' >\"$L/state\"; "
       "printf '\\0\\0\\0\\0\\0\\0\\0\\3' >\"$L/compiled/n.new\"; "
       "tail -c 16 \"$L/compiled/n\" >>\"$L/compiled/n.new\"; "
       "mv \"$L/compiled/n.new\" \"$L/compiled/n\"",
       4, "", "orvctl: fatal: invalid service database in @LIVE@/compiled/db\n"},
      {"StateShortAfterTheRun", "printf '\\1' >\"$L/state\"", 111, "",
       "orvctl: fatal: unable to read state in @LIVE@: Invalid argument\n"},
  };
  for (auto const& c : cases) {
    tempdir t;
    std::string const live = t / "live";
    make_live(live);
    mkdir((t / "bin").c_str(), 0755);
    write_file(t / "bin/tuvo", "#!/bin/sh\nL=\"$5\"\n" + c.script + "\nexit 1\n", 0755);
    result r = run({orv_path(), "-l", live, "live", "start", "web"},
                   {"PATH=" + t / "bin" + ":/usr/bin:/bin"});
    EXPECT_EQ(r.code, c.code) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, subst(c.err, live)) << c.name;
  }
}

TEST(LiveStartStop, ToolNotFoundGives127) {
  tempdir t;
  make_live(t / "live");
  result r = run({orv_path(), "-l", t / "live", "live", "start", "web"}, {"PATH=/nonexistent"});
  EXPECT_EQ(r.code, 127);
  EXPECT_EQ(r.err, "orvctl: fatal: unable to spawn tuvo: No such file or directory\n");
  EXPECT_EQ(r.out, "");
}

TEST(LiveHelp, PrintsItsExactTextWhateverFollows) {
  std::string const text =
      "Usage: orv live subcommand [ options ] services...\n"
      "\n"
      "Subcommands:\n"
      "  help\t\t\tthis message\n"
      "  status\t\tread the status of a list of services\n"
      "  start\t\t\tstart a service (with all its dependencies)\n"
      "  stop\t\t\tstop a service (and everything depending on it)\n"
      "  restart\t\tstop, then start, a service, with dependencies\n"
      "  install\t\tinstall the latest committed service set\n"
      "  start-everything\tstart all the services enabled at boot\n"
      "  stop-everything\tstop all the non-essential services\n"
      "\n"
      "orv live status options:\n"
      "  -e\t\t--without-essentials\tignore essential services (default)\n"
      "  -E\t\t--with-essentials\talso list essential services\n"
      "\n"
      "orv live start, orv live stop, orv live restart, orv live stop-everything options:\n"
      "  -n\t\t--dry-run\t\tonly show what would be done, don't do it\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif not done after TIMEOUT milliseconds, abort\n"
      "\n"
      "orv live install options:\n"
      "  -b\t\t--block\t\t\ton contention, wait rather than fail\n"
      "  -K\t\t--keep-old\t\tkeep the old db and write its path to stdout\n"
      "  -e\t\t--force-essentials\tstop old essential services if needed (default)\n"
      "  -E\t\t--no-force-essentials\tkeep obsolete essential services up\n"
      "  -f FILE\t--conversion-file=FILE\tuse a conversion file from current to new set\n"
      "\t\t--init\t\t\tinstall the initial db. DO NOT USE WHEN LIVE.\n"
      "\n"
      "orv live start-everything options:\n"
      "  -n\t\t--dry-run\t\tonly show what would be done, don't do it\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif not done after TIMEOUT milliseconds, abort\n"
      "  -D BUN\t--default-bundle=BUN\tname of the bundle to start (\"default\")\n"
      "\n";
  ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 33);
  orvtest::expect_help_text("live", "start", text);
  result r = run({orv_path(), "live", "help", "start", "-x"}, {});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, text);
  run_opts closed;
  closed.stdout_mode = out_mode::closed;
  r = run({orv_path(), "live", "help"}, {}, closed);
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(r.err, "orvctl: fatal: unable to write to stdout: Bad file descriptor\n");
}

}  // namespace
