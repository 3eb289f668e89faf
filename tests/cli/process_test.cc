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

struct process_case {
  char const* name;
  strings args;      // after "orv -s $S process"
  strings controls;  // control file, content, ...: override the defaults
  int code;
  std::string out;
  std::string err;
  std::vector<strings> calls;
};

void PrintTo(process_case const& c, std::ostream* os) {
  *os << c.name;
}

class ProcessCommand : public testing::TestWithParam<process_case> {};

TEST_P(ProcessCommand, RunsExactlyTheseTools) {
  process_case const& c = GetParam();
  tempdir tb;
  // The supervision stand-ins only record; the cases say what they answer.
  for (char const* t : {"orv-send.exit", "orv-await.exit", "orv-query.exit"})
    write_file(tb / t, "0");
  write_file(tb / "orv-query.stdout", "Q\n");
  for (size_t i = 0; i < c.controls.size(); i += 2)
    write_file(tb / c.controls[i], c.controls[i + 1]);

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
        process_case{"Stop", {"stop", "a"}, {}, 0, "", "", {{"orv-send", "-d", "--", "$S/a"}}},
        process_case{"Start", {"start", "a"}, {}, 0, "", "", {{"orv-send", "-u", "--", "$S/a"}}},
        process_case{"StopPermanent",
                     {"stop", "-p", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-D", "--", "$S/a"}}},
        process_case{"StartPermanent",
                     {"start", "--permanent", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-U", "--", "$S/a"}}},
        process_case{
            "StopWait", {"stop", "-w", "a"}, {}, 0, "", "", {{"orv-send", "-dwD", "--", "$S/a"}}},
        process_case{"StartWait",
                     {"start", "--wait", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-uwU", "--", "$S/a"}}},
        process_case{"StopPermanentWait",
                     {"stop", "-pw", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-DwD", "--", "$S/a"}}},
        process_case{"StartPermanentWaitTimeout",
                     {"start", "-p", "-w", "-t", "5000", "a", "b"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-UwU", "-T", "5000", "--", "$S/a", "$S/b"}}},
        process_case{"LastOptionWins",
                     {"start", "-p", "-w", "--no-permanent", "-W", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-u", "--", "$S/a"}}},
        process_case{"ZeroTimeoutAddsNothing",
                     {"stop", "-t", "0", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-d", "--", "$S/a"}}},
        process_case{"TimeoutWithoutWait",
                     {"stop", "--timeout=7", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-d", "-T", "7", "--", "$S/a"}}},
        process_case{"SymlinkToDirectory",
                     {"stop", "link"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-d", "--", "$S/link"}}},
        process_case{"ToolExitIsTheCommands",
                     {"start", "a"},
                     {"orv-send.exit", "42"},
                     42,
                     "",
                     "",
                     {{"orv-send", "-u", "--", "$S/a"}}},
        process_case{
            "StartUsage",
            {"start", "-w"},
            {},
            100,
            "",
            "orvctl: usage: orv process start [ --permanent ] [ --wait ] [ --timeout=millisecs ] "
            "services...\n",
            {}},
        process_case{
            "StopUsage",
            {"stop"},
            {},
            100,
            "",
            "orvctl: usage: orv process stop [ --permanent ] [ --wait ] [ --timeout=millisecs ] "
            "services...\n",
            {}},
        process_case{"BadOption",
                     {"start", "-x", "a"},
                     {},
                     100,
                     "",
                     "orvctl: fatal: unrecognized short option: x\n",
                     {}},
        process_case{"NegativeTimeout", {"start", "-t", "-1", "a"}, {}, 100, "", kBadTimeout, {}},
        process_case{
            "TimeoutOver32Bits", {"stop", "-t", "4294967296", "a"}, {}, 100, "", kBadTimeout, {}},
        process_case{"TimeoutBeforeDirectories",
                     {"stop", "-t", "1x", "nosuch"},
                     {},
                     100,
                     "",
                     kBadTimeout,
                     {}},
        process_case{
            "RegularFileIsNotRegistered", {"stop", "a", "file"}, {}, 100, "", notreg("file"), {}},
        process_case{"MissingIsNotRegistered",
                     {"start", "nosuch", "file"},
                     {},
                     100,
                     "",
                     notreg("nosuch"),
                     {}},
        process_case{"StatFailsOtherwise",
                     {"stop", "a", "file/x"},
                     {},
                     111,
                     "",
                     "orvctl: fatal: unable to stat $S/file/x: Not a directory\n",
                     {}}),
    [](testing::TestParamInfo<process_case> const& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Restart, ProcessCommand,
    testing::Values(
        process_case{"Plain", {"restart", "a"}, {}, 0, "", "", {{"orv-send", "-r", "--", "$S/a"}}},
        process_case{
            "Wait", {"restart", "-w", "a"}, {}, 0, "", "", {{"orv-send", "-rwR", "--", "$S/a"}}},
        process_case{"WaitTimeout",
                     {"restart", "--wait", "--timeout=10", "a", "b"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-rwR", "-T", "10", "--", "$S/a", "$S/b"}}},
        process_case{"NoWaitWins",
                     {"restart", "-w", "-W", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-r", "--", "$S/a"}}},
        process_case{
            "Usage",
            {"restart", "--"},
            {},
            100,
            "",
            "orvctl: usage: orv process restart [ -W|--no-wait | -w|--wait ] [ -t timeout | "
            "--timeout=timeout ] services...\n",
            {}},
        process_case{"BadTimeout", {"restart", "-t", "", "a"}, {}, 100, "", kBadTimeout, {}}),
    [](testing::TestParamInfo<process_case> const& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Kill, ProcessCommand,
    testing::Values(
        process_case{
            "DefaultIsTerm", {"kill", "a"}, {}, 0, "", "", {{"orv-send", "-t", "--", "$S/a"}}},
        process_case{
            "TermWait", {"kill", "-w", "a"}, {}, 0, "", "", {{"orv-send", "-twD", "--", "$S/a"}}},
        process_case{"HupName",
                     {"kill", "-s", "hup", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-h", "--", "$S/a"}}},
        process_case{"HupSigName",
                     {"kill", "--signal=SIGHUP", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-h", "--", "$S/a"}}},
        process_case{"HupNumber",
                     {"kill", "-s", "1", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-h", "--", "$S/a"}}},
        process_case{"HupWait",
                     {"kill", "-w", "-s", "SigHup", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-hwD", "--", "$S/a"}}},
        process_case{"Usr1WaitTimeout",
                     {"kill", "-s", "USR1", "-w", "-t", "9", "a"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-1wD", "-T", "9", "--", "$S/a"}}},
        // A native signal reads no status record.
        process_case{"NativeNeedsNoStatus",
                     {"kill", "-s", "KILL", "bare"},
                     {},
                     0,
                     "",
                     "",
                     {{"orv-send", "-k", "--", "$S/bare"}}},
        process_case{"NonNativeWaitTimeout",
                     {"kill", "-s", "SIGTSTP", "-w", "--timeout=300", "a", "b"},
                     {},
                     0,
                     "",
                     kNative,
                     {{"orv-await", "-D", "-t", "300", "--", " $S/a", " $S/b", "", "$K", "20",
                       kPidA, kPidB}}},
        process_case{"NonNativeWait",
                     {"kill", "-s", "tstp", "-w", "a"},
                     {},
                     0,
                     "",
                     kNative,
                     {{"orv-await", "-D", "--", " $S/a", "", "$K", "20", kPidA}}},
        // Without --wait the helper runs by itself; it is no stand-in and records nothing.
        process_case{
            "NonNativeDirect", {"kill", "-s", "TSTP", "-t", "300", "a"}, {}, 0, "", kNative, {}},
        process_case{"SkippedRecords",
                     {"kill", "-s", "20", "-w", "zero", "a", "nosig", "nosigtoo", "b"},
                     {},
                     0,
                     "",
                     kNative,
                     {{"orv-await", "-D", "--", " $S/zero", " $S/a", " $S/nosig", " $S/nosigtoo",
                       " $S/b", "", "$K", "20", kPidA, kPidB}}},
        process_case{"NoPidLeavesTheSignalAlone",
                     {"kill", "-s", "20", "-w", "zero"},
                     {},
                     0,
                     "",
                     kNative,
                     {{"orv-await", "-D", "--", " $S/zero", "", "$K", "20"}}},
        process_case{"DamagedPidsAreSkipped",
                     {"kill", "-s", "20", "-w", "minus1", "a", "minmin", "highhalf"},
                     {},
                     0,
                     "",
                     kNative + invalid("-1", "minus1") + invalid("-2147483648", "minmin") +
                         invalid("4299161605", "highhalf"),
                     {{"orv-await", "-D", "--", " $S/minus1", " $S/a", " $S/minmin", " $S/highhalf",
                       "", "$K", "20", kPidA}}},
        process_case{
            "SignalZeroIsNotNative",
            {"kill", "-s", "0", "-w", "a"},
            {},
            0,
            "",
            "orvctl: warning: signal 0 is not natively supported by orv-send, cannot ensure "
            "reliability\n",
            {{"orv-await", "-D", "--", " $S/a", "", "$K", "0", kPidA}}},
        process_case{"ListenerExitIsTheCommands",
                     {"kill", "-s", "20", "-w", "a"},
                     {"orv-await.exit", "99"},
                     99,
                     "",
                     kNative,
                     {{"orv-await", "-D", "--", " $S/a", "", "$K", "20", kPidA}}},
        process_case{
            "Usage",
            {"kill", "-s", "HUP"},
            {},
            100,
            "",
            "orvctl: usage: orv process kill [ --signal=sig ] [ --timeout=millisecs ] [ --wait | "
            "--no-wait ] services...\n",
            {}},
        process_case{"SignalBeforeTimeout",
                     {"kill", "-s", "bogus", "-t", "x", "nosuch"},
                     {},
                     100,
                     "",
                     kBadSignal,
                     {}},
        process_case{"SigPrefixAlone", {"kill", "-s", "SIG", "a"}, {}, 100, "", kBadSignal, {}},
        process_case{"TimeoutBeforeDirectories",
                     {"kill", "-t", "x", "nosuch"},
                     {},
                     100,
                     "",
                     kBadTimeout,
                     {}},
        process_case{"DirectoriesBeforeStatusFiles",
                     {"kill", "-s", "20", "bare", "nosuch"},
                     {},
                     100,
                     "",
                     notreg("nosuch"),
                     {}},
        process_case{"MissingStatusSendsNothing",
                     {"kill", "-s", "20", "-w", "a", "bare"},
                     {},
                     111,
                     "",
                     kNative +
                         "orvctl: fatal: unable to read status file for service $S/bare: No such "
                         "file or directory\n",
                     {}},
        process_case{"ShortStatusSendsNothing",
                     {"kill", "-s", "20", "a", "short"},
                     {},
                     111,
                     "",
                     kNative +
                         "orvctl: fatal: unable to read status file for service $S/short: Broken "
                         "pipe\n",
                     {}}),
    [](testing::TestParamInfo<process_case> const& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Status, ProcessCommand,
    testing::Values(
        process_case{"LabelThenPrinterPerService",
                     {"status", "a", "b"},
                     {},
                     0,
                     "$S/a: Q\n$S/b: Q\n",
                     "",
                     {{"orv-query", "--", "$S/a"}, {"orv-query", "--", "$S/b"}}},
        process_case{"FailedPrinterGoesOnThenExits1",
                     {"status", "a", "b"},
                     {"orv-query.exit", "1"},
                     1,
                     "$S/a: Q\n$S/b: Q\n",
                     "",
                     {{"orv-query", "--", "$S/a"}, {"orv-query", "--", "$S/b"}}},
        process_case{"CrashedPrinter",
                     {"status", "a"},
                     {"orv-query.signal", "9"},
                     1,
                     "$S/a: Q\n",
                     "",
                     {{"orv-query", "--", "$S/a"}}},
        process_case{"WithLogs",
                     {"status", "-l", "withlog", "a"},
                     {},
                     0,
                     "$S/withlog: Q\n$S/withlog/log: Q\n$S/a: Q\n",
                     "",
                     {{"orv-query", "--", "$S/withlog"},
                      {"orv-query", "--", "$S/withlog/log"},
                      {"orv-query", "--", "$S/a"}}},
        process_case{"LogThatIsAFile",
                     {"status", "--with-logs", "filelog"},
                     {},
                     0,
                     "$S/filelog: Q\n",
                     "",
                     {{"orv-query", "--", "$S/filelog"}}},
        process_case{"LoggerNamedDirectly",
                     {"status", "-l", "withlog/log"},
                     {},
                     0,
                     "$S/withlog/log: Q\n",
                     "",
                     {{"orv-query", "--", "$S/withlog/log"}}},
        process_case{"WithoutLogsWins",
                     {"status", "-l", "-L", "withlog"},
                     {},
                     0,
                     "$S/withlog: Q\n",
                     "",
                     {{"orv-query", "--", "$S/withlog"}}},
        process_case{
            "CheckedBeforeAnyOutput", {"status", "a", "nosuch"}, {}, 100, "", notreg("nosuch"), {}},
        process_case{"Usage",
                     {"status", "-l"},
                     {},
                     100,
                     "",
                     "orvctl: usage: orv process status [ -L | -l ] services...\n",
                     {}}),
    [](testing::TestParamInfo<process_case> const& i) { return std::string(i.param.name); });

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
