// The process group as the supervision tools see it: exact argument vectors
// of every subcommand, the order of the checks, the status records that
// decide which pids reach the kill helper, and the help text.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/handoff.h"
#include "support/names.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

namespace {

using orvtest::expect_run;

// Pids from 2^22 on are beyond any Linux pid_max: never a live process, so a
// kill helper that does run signals nobody.
constexpr char kPidA[] = "4194305";
constexpr char kPidB[] = "4194306";

// One scan directory for all the cases, made on first use, read-only for them.
class ProcessScan {
 public:
  static std::string const& path() {
    static ProcessScan const scan;
    return scan.dir_.path();
  }

 private:
  ProcessScan() {
    svdir({"a", "up", kPidA});
    svdir({"b", "up", kPidB});
    svdir({"zero", "down"});
    svdir({"nosig", "up", "4194307", "flags", "2"});
    svdir({"nosigtoo", "up", "4194307", "flags", "255"});
    svdir({"minus1", "rawpid", "4294967295"});    // low half -1
    svdir({"minmin", "rawpid", "2147483648"});    // low half INT32_MIN
    svdir({"highhalf", "rawpid", "4299161605"});  // 2^32 + 4194309: damaged
    svdir({"bare", "nostatus"});
    svdir({"short", "short", "34"});
    svdir({"withlog", "up", kPidA});
    svdir({"withlog/log", "up", kPidB});
    svdir({"withlog/log/log", "down"});
    svdir({"filelog", "down"});
    write_file(dir_ / "filelog/log", "not a logger\n");
    write_file(dir_ / "file", "not a service\n");
    EXPECT_EQ(symlink("a", (dir_ / "link").c_str()), 0);
  }
  void svdir(strings words) const {
    words.insert(words.begin(), {testbed_bin() + "/tb-svdir", dir_.path()});
    result r = run(words, {"PATH=/usr/bin:/bin"});
    EXPECT_EQ(r.code, 0) << words[2] << r.err;
  }
  tempdir dir_;
};

// $S stands for the scan directory, $K for the kill helper.
std::string expand(std::string s) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"$S", ProcessScan::path()},
                            {"$K", bin_path("orvctl-helper-kill")}})
    for (size_t at; (at = s.find(key)) != std::string::npos;) s.replace(at, key.size(), value);
  return s;
}

class ProcessCommand : public testing::TestWithParam<cli_row> {};

TEST_P(ProcessCommand, RunsExactlyTheseTools) {
  cli_row const& c = GetParam();
  tempdir tb;
  // The supervision stand-ins only record; the cases say what they answer.
  for (char const* t : {"orv-send.exit", "orv-await.exit", "orv-query.exit"})
    write_file(tb / t, "0");
  write_file(tb / "orv-query.stdout", "Q\n");
  for (auto const& [file, content] : c.control) write_file(tb / file, content);

  strings argv = {orv_path(), "-s", ProcessScan::path(), "process"};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  expect_run(argv, testbed_env(tb.path()), tb.path(), {c.code, c.out, c.err, c.calls}, expand);
}

std::string const kNative =
    "orvctl: warning: signal 20 is not natively supported by orv-send, "
    "cannot ensure reliability\n";
std::string const kBadTimeout =
    "orvctl: fatal: --timeout= argument must be an unsigned integer (in milliseconds)\n";
std::string const kBadSignal =
    "orvctl: fatal: --signal= argument must be the name or number of a signal\n";
std::string notreg(std::string const& name) {
  return "orvctl: fatal: " + name + " is not registered as a supervised service in $S\n";
}
std::string invalid(std::string const& pid, std::string const& name) {
  return "orvctl: warning: ignoring invalid pid " + pid + " in status file for service $S/" + name +
         "\n";
}

INSTANTIATE_TEST_SUITE_P(
    StartStop, ProcessCommand,
    testing::Values(
        cli_row{.name = "Stop", .args = {"stop", "a"}, .calls = {{"orv-send", "-d", "--", "$S/a"}}},
        cli_row{
            .name = "Start", .args = {"start", "a"}, .calls = {{"orv-send", "-u", "--", "$S/a"}}},
        cli_row{.name = "StopPermanent",
                .args = {"stop", "-p", "a"},
                .calls = {{"orv-send", "-D", "--", "$S/a"}}},
        cli_row{.name = "StartPermanent",
                .args = {"start", "--permanent", "a"},
                .calls = {{"orv-send", "-U", "--", "$S/a"}}},
        cli_row{.name = "StopWait",
                .args = {"stop", "-w", "a"},
                .calls = {{"orv-send", "-dwD", "--", "$S/a"}}},
        cli_row{.name = "StartWait",
                .args = {"start", "--wait", "a"},
                .calls = {{"orv-send", "-uwU", "--", "$S/a"}}},
        cli_row{.name = "StopPermanentWait",
                .args = {"stop", "-pw", "a"},
                .calls = {{"orv-send", "-DwD", "--", "$S/a"}}},
        cli_row{.name = "StartPermanentWaitTimeout",
                .args = {"start", "-p", "-w", "-t", "5000", "a", "b"},
                .calls = {{"orv-send", "-UwU", "-T", "5000", "--", "$S/a", "$S/b"}}},
        cli_row{.name = "LastOptionWins",
                .args = {"start", "-p", "-w", "--no-permanent", "-W", "a"},
                .calls = {{"orv-send", "-u", "--", "$S/a"}}},
        cli_row{.name = "ZeroTimeoutAddsNothing",
                .args = {"stop", "-t", "0", "a"},
                .calls = {{"orv-send", "-d", "--", "$S/a"}}},
        cli_row{.name = "TimeoutWithoutWait",
                .args = {"stop", "--timeout=7", "a"},
                .calls = {{"orv-send", "-d", "-T", "7", "--", "$S/a"}}},
        cli_row{.name = "SymlinkToDirectory",
                .args = {"stop", "link"},
                .calls = {{"orv-send", "-d", "--", "$S/link"}}},
        cli_row{.name = "ToolExitIsTheCommands",
                .args = {"start", "a"},
                .control = {{"orv-send.exit", "42"}},
                .code = 42,
                .calls = {{"orv-send", "-u", "--", "$S/a"}}},
        cli_row{.name = "StartUsage",
                .args = {"start", "-w"},
                .code = 100,
                .err = "orvctl: usage: orv process start [ --permanent ] [ --wait ] [ "
                       "--timeout=millisecs ] "
                       "services...\n"},
        cli_row{.name = "StopUsage",
                .args = {"stop"},
                .code = 100,
                .err = "orvctl: usage: orv process stop [ --permanent ] [ --wait ] [ "
                       "--timeout=millisecs ] "
                       "services...\n"},
        cli_row{.name = "BadOption",
                .args = {"start", "-x", "a"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: x\n"},
        cli_row{.name = "NegativeTimeout",
                .args = {"start", "-t", "-1", "a"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "TimeoutOver32Bits",
                .args = {"stop", "-t", "4294967296", "a"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "TimeoutBeforeDirectories",
                .args = {"stop", "-t", "1x", "nosuch"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "RegularFileIsNotRegistered",
                .args = {"stop", "a", "file"},
                .code = 100,
                .err = notreg("file")},
        cli_row{.name = "MissingIsNotRegistered",
                .args = {"start", "nosuch", "file"},
                .code = 100,
                .err = notreg("nosuch")},
        cli_row{.name = "StatFailsOtherwise",
                .args = {"stop", "a", "file/x"},
                .code = 111,
                .err = "orvctl: fatal: unable to stat $S/file/x: Not a directory\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Restart, ProcessCommand,
    testing::Values(
        cli_row{
            .name = "Plain", .args = {"restart", "a"}, .calls = {{"orv-send", "-r", "--", "$S/a"}}},
        cli_row{.name = "Wait",
                .args = {"restart", "-w", "a"},
                .calls = {{"orv-send", "-rwR", "--", "$S/a"}}},
        cli_row{.name = "WaitTimeout",
                .args = {"restart", "--wait", "--timeout=10", "a", "b"},
                .calls = {{"orv-send", "-rwR", "-T", "10", "--", "$S/a", "$S/b"}}},
        cli_row{.name = "NoWaitWins",
                .args = {"restart", "-w", "-W", "a"},
                .calls = {{"orv-send", "-r", "--", "$S/a"}}},
        cli_row{
            .name = "Usage",
            .args = {"restart", "--"},
            .code = 100,
            .err = "orvctl: usage: orv process restart [ -W|--no-wait | -w|--wait ] [ -t timeout | "
                   "--timeout=timeout ] services...\n"},
        cli_row{.name = "BadTimeout",
                .args = {"restart", "-t", "", "a"},
                .code = 100,
                .err = kBadTimeout}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Kill, ProcessCommand,
    testing::Values(
        cli_row{.name = "DefaultIsTerm",
                .args = {"kill", "a"},
                .calls = {{"orv-send", "-t", "--", "$S/a"}}},
        cli_row{.name = "TermWait",
                .args = {"kill", "-w", "a"},
                .calls = {{"orv-send", "-twD", "--", "$S/a"}}},
        cli_row{.name = "HupName",
                .args = {"kill", "-s", "hup", "a"},
                .calls = {{"orv-send", "-h", "--", "$S/a"}}},
        cli_row{.name = "HupSigName",
                .args = {"kill", "--signal=SIGHUP", "a"},
                .calls = {{"orv-send", "-h", "--", "$S/a"}}},
        cli_row{.name = "HupNumber",
                .args = {"kill", "-s", "1", "a"},
                .calls = {{"orv-send", "-h", "--", "$S/a"}}},
        cli_row{.name = "HupWait",
                .args = {"kill", "-w", "-s", "SigHup", "a"},
                .calls = {{"orv-send", "-hwD", "--", "$S/a"}}},
        cli_row{.name = "Usr1WaitTimeout",
                .args = {"kill", "-s", "USR1", "-w", "-t", "9", "a"},
                .calls = {{"orv-send", "-1wD", "-T", "9", "--", "$S/a"}}},
        // A native signal reads no status record.
        cli_row{.name = "NativeNeedsNoStatus",
                .args = {"kill", "-s", "KILL", "bare"},
                .calls = {{"orv-send", "-k", "--", "$S/bare"}}},
        cli_row{.name = "NonNativeWaitTimeout",
                .args = {"kill", "-s", "SIGTSTP", "-w", "--timeout=300", "a", "b"},
                .err = kNative,
                .calls = {{"orv-await", "-D", "-t", "300", "--", " $S/a", " $S/b", "", "$K", "20",
                           kPidA, kPidB}}},
        cli_row{.name = "NonNativeWait",
                .args = {"kill", "-s", "tstp", "-w", "a"},
                .err = kNative,
                .calls = {{"orv-await", "-D", "--", " $S/a", "", "$K", "20", kPidA}}},
        // Without --wait the helper runs by itself; it is no stand-in and records nothing.
        cli_row{.name = "NonNativeDirect",
                .args = {"kill", "-s", "TSTP", "-t", "300", "a"},
                .err = kNative},
        cli_row{.name = "SkippedRecords",
                .args = {"kill", "-s", "20", "-w", "zero", "a", "nosig", "nosigtoo", "b"},
                .err = kNative,
                .calls = {{"orv-await", "-D", "--", " $S/zero", " $S/a", " $S/nosig",
                           " $S/nosigtoo", " $S/b", "", "$K", "20", kPidA, kPidB}}},
        cli_row{.name = "NoPidLeavesTheSignalAlone",
                .args = {"kill", "-s", "20", "-w", "zero"},
                .err = kNative,
                .calls = {{"orv-await", "-D", "--", " $S/zero", "", "$K", "20"}}},
        cli_row{.name = "DamagedPidsAreSkipped",
                .args = {"kill", "-s", "20", "-w", "minus1", "a", "minmin", "highhalf"},
                .err = kNative + invalid("-1", "minus1") + invalid("-2147483648", "minmin") +
                       invalid("4299161605", "highhalf"),
                .calls = {{"orv-await", "-D", "--", " $S/minus1", " $S/a", " $S/minmin",
                           " $S/highhalf", "", "$K", "20", kPidA}}},
        cli_row{
            .name = "SignalZeroIsNotNative",
            .args = {"kill", "-s", "0", "-w", "a"},
            .err = "orvctl: warning: signal 0 is not natively supported by orv-send, cannot ensure "
                   "reliability\n",
            .calls = {{"orv-await", "-D", "--", " $S/a", "", "$K", "0", kPidA}}},
        cli_row{.name = "ListenerExitIsTheCommands",
                .args = {"kill", "-s", "20", "-w", "a"},
                .control = {{"orv-await.exit", "99"}},
                .code = 99,
                .err = kNative,
                .calls = {{"orv-await", "-D", "--", " $S/a", "", "$K", "20", kPidA}}},
        cli_row{.name = "Usage",
                .args = {"kill", "-s", "HUP"},
                .code = 100,
                .err = "orvctl: usage: orv process kill [ --signal=sig ] [ --timeout=millisecs ] [ "
                       "--wait | "
                       "--no-wait ] services...\n"},
        cli_row{.name = "SignalBeforeTimeout",
                .args = {"kill", "-s", "bogus", "-t", "x", "nosuch"},
                .code = 100,
                .err = kBadSignal},
        cli_row{.name = "SigPrefixAlone",
                .args = {"kill", "-s", "SIG", "a"},
                .code = 100,
                .err = kBadSignal},
        cli_row{.name = "TimeoutBeforeDirectories",
                .args = {"kill", "-t", "x", "nosuch"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "DirectoriesBeforeStatusFiles",
                .args = {"kill", "-s", "20", "bare", "nosuch"},
                .code = 100,
                .err = notreg("nosuch")},
        cli_row{.name = "MissingStatusSendsNothing",
                .args = {"kill", "-s", "20", "-w", "a", "bare"},
                .code = 111,
                .err = kNative +
                       "orvctl: fatal: unable to read status file for service $S/bare: No such "
                       "file or directory\n"},
        cli_row{.name = "ShortStatusSendsNothing",
                .args = {"kill", "-s", "20", "a", "short"},
                .code = 111,
                .err = kNative +
                       "orvctl: fatal: unable to read status file for service $S/short: Broken "
                       "pipe\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Status, ProcessCommand,
    testing::Values(cli_row{.name = "LabelThenPrinterPerService",
                            .args = {"status", "a", "b"},
                            .out = "$S/a: Q\n$S/b: Q\n",
                            .calls = {{"orv-query", "--", "$S/a"}, {"orv-query", "--", "$S/b"}}},
                    cli_row{.name = "FailedPrinterGoesOnThenExits1",
                            .args = {"status", "a", "b"},
                            .control = {{"orv-query.exit", "1"}},
                            .code = 1,
                            .out = "$S/a: Q\n$S/b: Q\n",
                            .calls = {{"orv-query", "--", "$S/a"}, {"orv-query", "--", "$S/b"}}},
                    cli_row{.name = "CrashedPrinter",
                            .args = {"status", "a"},
                            .control = {{"orv-query.signal", "9"}},
                            .code = 1,
                            .out = "$S/a: Q\n",
                            .calls = {{"orv-query", "--", "$S/a"}}},
                    cli_row{.name = "WithLogs",
                            .args = {"status", "-l", "withlog", "a"},
                            .out = "$S/withlog: Q\n$S/withlog/log: Q\n$S/a: Q\n",
                            .calls = {{"orv-query", "--", "$S/withlog"},
                                      {"orv-query", "--", "$S/withlog/log"},
                                      {"orv-query", "--", "$S/a"}}},
                    cli_row{.name = "LogThatIsAFile",
                            .args = {"status", "--with-logs", "filelog"},
                            .out = "$S/filelog: Q\n",
                            .calls = {{"orv-query", "--", "$S/filelog"}}},
                    cli_row{.name = "LoggerNamedDirectly",
                            .args = {"status", "-l", "withlog/log"},
                            .out = "$S/withlog/log: Q\n",
                            .calls = {{"orv-query", "--", "$S/withlog/log"}}},
                    cli_row{.name = "WithoutLogsWins",
                            .args = {"status", "-l", "-L", "withlog"},
                            .out = "$S/withlog: Q\n",
                            .calls = {{"orv-query", "--", "$S/withlog"}}},
                    cli_row{.name = "CheckedBeforeAnyOutput",
                            .args = {"status", "a", "nosuch"},
                            .code = 100,
                            .err = notreg("nosuch")},
                    cli_row{.name = "Usage",
                            .args = {"status", "-l"},
                            .code = 100,
                            .err = "orvctl: usage: orv process status [ -L | -l ] services...\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

TEST(ProcessKill, EveryNativeSignalHasItsLetter) {
  // WINCH has no name in the signal table: its number stands for it.
  std::string const winch = std::to_string(SIGWINCH);
  struct {
    char const* sig;
    char const* opt;
  } const rows[] = {
      {"HUP", "-h"},  {"INT", "-i"},         {"QUIT", "-q"}, {"ABRT", "-b"},
      {"KILL", "-k"}, {"ALRM", "-a"},        {"TERM", "-t"}, {"STOP", "-p"},
      {"CONT", "-c"}, {winch.c_str(), "-y"}, {"USR1", "-1"}, {"USR2", "-2"},
  };
  for (auto const& c : rows) {
    for (bool wait : {false, true}) {
      tempdir tb;
      write_file(tb / "orv-send.exit", "0");
      strings argv = {orv_path(), "-s", ProcessScan::path(), "process", "kill", "-s", c.sig};
      if (wait) argv.push_back("-w");
      argv.push_back("a");
      result r = run(argv, testbed_env(tb.path()));
      EXPECT_EQ(r.code, 0) << c.sig << r.err;
      EXPECT_EQ(r.err, "") << c.sig;
      auto calls = tb::read_log(tb.path());
      ASSERT_EQ(calls.size(), 1u) << c.sig;
      EXPECT_EQ(calls[0].argv, (strings{"orv-send", std::string(c.opt) + (wait ? "wD" : ""), "--",
                                        ProcessScan::path() + "/a"}));
    }
  }
}

TEST(ProcessKill, VerbosityZeroSilencesTheWarnings) {
  tempdir tb;
  write_file(tb / "orv-await.exit", "0");
  result r = run({orv_path(), "-v", "0", "-s", ProcessScan::path(), "process", "kill", "-s", "20",
                  "-w", "minus1", "a"},
                 testbed_env(tb.path()));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  auto calls = tb::read_log(tb.path());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].argv.back(), kPidA);
}

TEST(ProcessGroup, ScanDirectoryFromTheEnvironment) {
  tempdir tb;
  write_file(tb / "orv-send.exit", "0");
  result r = run({orv_path(), "process", "stop", "a"},
                 testbed_env(tb.path(), {"scandir=" + ProcessScan::path(), "verbosity=3"}));
  EXPECT_EQ(r.code, 0) << r.err;
  auto calls = tb::read_log(tb.path());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].argv, (strings{"orv-send", "-d", "--", ProcessScan::path() + "/a"}));
  EXPECT_TRUE(calls[0].env.empty());
}

TEST(ProcessGroup, HelpTextAndUsage) {
  std::string const help =
      "Usage: orv process subcommand [ options ] longruns...\n"
      "\n"
      " Send commands to *processes* at the orv supervision level.\n"
      "(supervised long-running processes only - not services at the\n"
      "tuvo level. This is useful e.g. to restart a process without\n"
      "stopping then starting things depending on it.)\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  start\t\tstart a supervised process without impacting its official state\n"
      "  stop\t\tstop a supervised process without impacting its official state\n"
      "  restart\trestart a supervised process\n"
      "  kill\t\tsend a signal to a supervised process\n"
      "  status\tread the status of a supervised process\n"
      "\n"
      "orv process start and orv process stop options:\n"
      "  -P\t\t--no-permanent\t\tdon't override the official state if the daemon dies\n"
      "\t\t\t\t\t(i.e. if the service manager says the service should be\n"
      "\t\t\t\t\tdown, do not restart the daemon; if it says the service\n"
      "\t\t\t\t\tshould be up, do restart it). This is the default.\n"
      "  -p\t\t--permanent\t\toverride the official state: \"orv process start foo\" will\n"
      "\t\t\t\t\tkeep foo up even if the live status says otherwise\n"
      "  -W\t\t--no-wait\t\texit without waiting for service readiness\n"
      "  -w\t\t--wait\t\t\tonly exit once the daemon is ready or confirmed dead\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif -w: give up if not ready after TIMEOUT milliseconds\n"
      "\n"
      "orv process restart options:\n"
      "  -W\t\t--no-wait\t\texit without waiting for service readiness\n"
      "  -w\t\t--wait\t\t\tonly exit once the daemon is ready again\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif -w: give up if not ready after TIMEOUT milliseconds\n"
      "\n"
      "orv process kill options:\n"
      "  -W\t\t--no-wait\t\texit without waiting for service readiness\n"
      "  -w\t\t--wait\t\t\tonly exit once the daemon is ready again, if applicable\n"
      "  -t TIMEOUT\t--timeout=TIMEOUT\tif -w: give up if not ready after TIMEOUT milliseconds\n"
      "  -s SIGNAL\t--signal=SIGNAL\t\tsend signal SIGNAL rather than the default (prob. SIGTERM)\n"
      "\n"
      "orv process status options:\n"
      "\n"
      "  -L\t\t--without-logs\t\tonly list the status of longruns given as arguments (default)\n"
      "  -l\t\t--with-logs\t\talso list status for service/log. This has no effect\n"
      "\t\t\t\t\ton services that have loggers declared in tuvo, for these\n"
      "\t\t\t\t\tyou need to list the logger explicitly.\n"
      "\n";
  orvtest::expect_help_text("process", "whatever", help);

  std::string const usage =
      "orvctl: usage: orv process [ process options ] subcommand [ subcommand options ] "
      "services... "
      "Type \"orv process help\" for details.\n";
  for (strings const& args : {strings{}, strings{"frob"}, strings{"Kill"}}) {
    strings argv = {orv_path(), "process"};
    argv.insert(argv.end(), args.begin(), args.end());
    result r = run(argv, {});
    EXPECT_EQ(r.code, 100);
    EXPECT_EQ(r.err, usage);
  }
}

}  // namespace
