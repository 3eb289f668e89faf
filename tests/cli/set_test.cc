// The set group as tools see it: the exact vector each set tool receives,
// the exit code and every diagnostic line, one row per case.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "commands/set.h"
#include "support/handoff.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

using namespace orvtest;

namespace {

using vec = std::vector<std::string>;

std::string const R = "/var/lib/tuvo/repository";
std::string const kGroupUsage =
    "orvctl: usage: orv set subcommand [ subcommand options ] [ services... ] Type \"orv set "
    "help\" for details.\n";
std::string change_usage(std::string const& sub) {
  return "usage: orv set " + sub +
         " [ --ignore-dependencies ] [ --dry-run ] [ --if-dependencies-found=fail|warn|pull ] "
         "services...\n";
}
std::string const kBadWhat =
    "orvctl: fatal: --if-dependencies-found= argument must be fail, warn or pull\n";
std::string const kBadSet = "orvctl: fatal: invalid set name\n";
std::string const kBadService = "orvctl: fatal: invalid service name\n";

using set_case = handoff_case;

class Set : public testing::TestWithParam<set_case> {};

TEST_P(Set, HandsTheExactVectorToTheTool) {
  expect_handoff(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Set,
    testing::Values(
        // enable, disable, mask, unmask, make-essential
        set_case{"Enable",
                 {"set", "enable", "web"},
                 {},
                 {{"tuvo-set-change", "-r", R, "--", "current", "active", "web"}},
                 0,
                 ""},
        set_case{"MakeEssentialDryRunPull",
                 {"set", "make-essential", "-n", "-I", "pull", "a", "b"},
                 {},
                 {{"tuvo-set-change", "-r", R, "-n", "-I", "pull", "-e", "--", "current", "always",
                   "a", "b"}},
                 0,
                 ""},
        set_case{"Disable",
                 {"set", "disable", "x"},
                 {},
                 {{"tuvo-set-change", "-r", R, "--", "current", "usable", "x"}},
                 0,
                 ""},
        set_case{"UnmaskIsDisable",
                 {"set", "unmask", "x"},
                 {},
                 {{"tuvo-set-change", "-r", R, "--", "current", "usable", "x"}},
                 0,
                 ""},
        set_case{"MaskLongOptions",
                 {"set", "mask", "--ignore-dependencies", "--dry-run",
                  "--if-dependencies-found=fail", "x"},
                 {},
                 {{"tuvo-set-change", "-r", R, "-f", "-n", "-I", "fail", "--", "current", "masked",
                   "x"}},
                 0,
                 ""},
        set_case{"LastWhatWins",
                 {"set", "enable", "-Ifail", "-I", "warn", "x"},
                 {},
                 {{"tuvo-set-change", "-r", R, "-I", "warn", "--", "current", "active", "x"}},
                 0,
                 ""},
        set_case{"EnableWithoutServices", {"set", "enable"}, {}, {}, 100, change_usage("enable")},
        set_case{"MakeEssentialWithoutServices",
                 {"set", "make-essential", "-n"},
                 {},
                 {},
                 100,
                 change_usage("make-essential")},
        set_case{"UsageBeforeBadWhat",
                 {"set", "enable", "-I", "bogus"},
                 {},
                 {},
                 100,
                 change_usage("enable")},
        set_case{"BadWhat", {"set", "enable", "-I", "bogus", "x"}, {}, {}, 100, kBadWhat},
        set_case{"WhatIsCaseSensitive",
                 {"set", "disable", "--if-dependencies-found=Pull", "x"},
                 {},
                 {},
                 100,
                 kBadWhat},
        set_case{"UnknownOption",
                 {"set", "enable", "-x", "web"},
                 {},
                 {},
                 100,
                 "orvctl: fatal: unrecognized short option: x\n"},
        set_case{"NamesPassIntact",
                 {"set", "enable", "--", "with space", "new\nline", "-lead", "caf\xc3\xa9", ""},
                 {},
                 {{"tuvo-set-change", "-r", R, "--", "current", "active", "with space", "new\nline",
                   "-lead", "caf\xc3\xa9", ""}},
                 0,
                 ""},
        set_case{"VerbosityZero",
                 {"-v", "0", "set", "enable", "web"},
                 {},
                 {{"tuvo-set-change", "-v", "0", "-r", R, "--", "current", "active", "web"}},
                 0,
                 ""},
        set_case{"VerbosityOneHasNoPair",
                 {"set", "enable", "web"},
                 {"verbosity=1", "repodir=/r"},
                 {{"tuvo-set-change", "-r", "/r", "--", "current", "active", "web"}},
                 0,
                 ""},
        set_case{"VerbosityTwoFromEnvironment",
                 {"set", "enable", "web"},
                 {"verbosity=2"},
                 {{"tuvo-set-change", "-v", "2", "-r", R, "--", "current", "active", "web"}},
                 0,
                 ""},
        set_case{"ToolStatusIsTheCommands",
                 {"set", "enable", "web"},
                 {},
                 {{"tuvo-set-change", "-r", R, "--", "current", "active", "web"}},
                 5,
                 "",
                 {{"tuvo-set-change.exit", "5"}}},
        // check
        set_case{"Check",
                 {"set", "check"},
                 {},
                 {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down", "--dry-run", "--",
                   "current"}},
                 0,
                 ""},
        set_case{"CheckFixUpForce",
                 {"set", "check", "-F", "-u", "-e", "ignored"},
                 {},
                 {{"tuvo-set-fix", "-r", R, "--force-essential", "--fix-up", "--", "current"}},
                 0,
                 ""},
        set_case{"CheckLastOneWins",
                 {"set", "check", "-ueEd", "--up", "--down"},
                 {"verbosity=2"},
                 {{"tuvo-set-fix", "-v", "2", "-r", R, "--no-force-essential", "--fix-down",
                   "--dry-run", "--", "current"}},
                 0,
                 ""},
        // commit
        set_case{
            "CommitKeepOldUser",
            {"set", "commit", "-K", "-h", "daemon"},
            {},
            {{"tuvo-set-commit", "-r", R, "-D", "default", "-K", "-h", "daemon", "--", "current"}},
            0,
            ""},
        set_case{"CommitEverything",
                 {"-v", "3", "set", "commit", "--force", "-Dfirst", "--default-bundle=net",
                  "--fdholder-user=fd", "extra"},
                 {},
                 {{"tuvo-set-commit", "-v", "3", "-r", R, "-D", "net", "-f", "-h", "fd", "--",
                   "current"}},
                 0,
                 ""},
        // save and load
        set_case{"Save",
                 {"set", "save", "mine", "ignored"},
                 {},
                 {{"tuvo-set-copy", "-r", R, "--", "current", "mine"}},
                 0,
                 ""},
        set_case{"SaveForce",
                 {"set", "save", "-f", "mine"},
                 {},
                 {{"tuvo-set-copy", "-r", R, "-f", "--", "current", "mine"}},
                 0,
                 ""},
        set_case{"SaveEmptyNamePasses",
                 {"set", "save", ""},
                 {},
                 {{"tuvo-set-copy", "-r", R, "--", "current", ""}},
                 0,
                 ""},
        set_case{"SaveWithoutName",
                 {"set", "save", "-f"},
                 {},
                 {},
                 100,
                 "usage: orv set save [ --force ] name\n"},
        set_case{"SaveCurrent", {"set", "save", "current"}, {}, {}, 100, kBadSet},
        set_case{"SaveHidden", {"set", "save", ".hidden"}, {}, {}, 100, kBadSet},
        set_case{"SaveSlash", {"set", "save", "a/b"}, {}, {}, 100, kBadSet},
        set_case{"SaveNewline", {"set", "save", "a\nb"}, {}, {}, 100, kBadSet},
        set_case{"Load",
                 {"set", "load", "mine"},
                 {},
                 {{"tuvo-set-copy", "-r", R, "-f", "--", "mine", "current"}},
                 0,
                 ""},
        set_case{"LoadDashName",
                 {"-v", "0", "set", "load", "--", "-old set\xff"},
                 {},
                 {{"tuvo-set-copy", "-v", "0", "-r", R, "-f", "--", "-old set\xff", "current"}},
                 0,
                 ""},
        set_case{"LoadWithoutName", {"set", "load"}, {}, {}, 100, "usage: orv set load name\n"},
        set_case{"LoadCurrent", {"set", "load", "current"}, {}, {}, 100, kBadSet},
        set_case{"LoadTakesNoOption",
                 {"set", "load", "-f", "mine"},
                 {},
                 {},
                 100,
                 "orvctl: fatal: unrecognized short option: f\n"},
        // delete
        set_case{"Delete",
                 {"set", "delete", "old"},
                 {},
                 {{"tuvo-set-delete", "-v", "1", "-r", R, "--", "old"}},
                 0,
                 ""},
        set_case{
            "DeleteNamesIntact",
            {"set", "delete", "--", "-old", "with space", "caf\xc3\xa9"},
            {"verbosity=0"},
            {{"tuvo-set-delete", "-v", "0", "-r", R, "--", "-old", "with space", "caf\xc3\xa9"}},
            0,
            ""},
        set_case{"DeleteCurrentDeletesNothing",
                 {"set", "delete", "ok", "current", ".x"},
                 {},
                 {},
                 100,
                 "orvctl: fatal: invalid set name: current\n"},
        set_case{"DeleteNewline",
                 {"set", "delete", "a\nb"},
                 {},
                 {},
                 100,
                 "orvctl: fatal: invalid set name: a\nb\n"},
        set_case{"DeleteWithoutNames",
                 {"set", "delete", "--"},
                 {},
                 {},
                 100,
                 "usage: orv set delete names...\n"},
        set_case{"DeleteTakesNoOption",
                 {"set", "delete", "--force", "x"},
                 {},
                 {},
                 100,
                 "orvctl: fatal: unrecognized boolean option: --force\n"},
        // list and status
        set_case{"ListWithoutEssentials",
                 {"set", "list", "-e", "extra"},
                 {},
                 {{"tuvo-set-status", "-v", "1", "-r", R, "-L", "--without-essentials", "--",
                   "current"}},
                 0,
                 ""},
        set_case{
            "ListLastOneWins",
            {"set", "list", "--without-essentials", "-E"},
            {},
            {{"tuvo-set-status", "-v", "1", "-r", R, "-L", "--with-essentials", "--", "current"}},
            0,
            ""},
        set_case{"Status",
                 {"set", "status"},
                 {},
                 {{"tuvo-set-status", "-v", "1", "-r", R, "--with-essentials", "--", "current"}},
                 0,
                 ""},
        set_case{"StatusNames",
                 {"set", "status", "-e", "current", "with space", "-x\xc3\xa9"},
                 {},
                 {{"tuvo-set-status", "-v", "1", "-r", R, "--without-essentials", "--", "current",
                   "current", "with space", "-x\xc3\xa9"}},
                 0,
                 ""},
        set_case{"StatusHidden", {"set", "status", "ok", ".x"}, {}, {}, 100, kBadService},
        set_case{"StatusSlash", {"set", "status", "a/b"}, {}, {}, 100, kBadService},
        set_case{"StatusNewline", {"set", "status", "a\n"}, {}, {}, 100, kBadService},
        // the group
        set_case{"NoSubcommand", {"set"}, {}, {}, 100, kGroupUsage},
        set_case{"UnknownSubcommand", {"set", "Enable", "web"}, {}, {}, 100, kGroupUsage},
        set_case{"NoOptionBeforeSubcommand",
                 {"set", "-n", "enable", "web"},
                 {},
                 {},
                 100,
                 "orvctl: fatal: unrecognized short option: n\n"}),
    [](testing::TestParamInfo<set_case> const& i) { return std::string(i.param.name); });

TEST(SetHelp, PrintsTheHelpText) {
  std::string const text =
      "Usage: orv set subcommand [ options ] [ arguments... ]\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  save\t\tsave the current set under a user-provided name\n"
      "  load\t\tload a previously saved set\n"
      "  list\t\tlist services in the working set\n"
      "  status\tlist services in the working set with their rx\n"
      "  enable\tenable services\n"
      "  disable\tdisable services\n"
      "  mask\t\tmask services (hide them from the db entirely)\n"
      "  unmask\tunmask services (equivalent to \"disable\")\n"
      "  check\t\tcheck working set and fix inconsistencies\n"
      "  commit\tcommit working set (can then be installed)\n"
      "\n"
      "\n"
      "orv set save options:\n"
      "  -f\t\t--force\t\t\t\toverwrite named set if existing\n"
      "\n"
      "orv set load options: none\n"
      "\n"
      "orv set list options: none\n"
      "\n"
      "orv set status options:\n"
      "  -E\t\t--with-essentials\t\tshow all services, even essential ones (default)\n"
      "  -e\t\t--without-essentials\t\tdon't show essential services\n"
      "\n"
      "orv set enable|disable|mask|unmask options:\n"
      "  -f\t\t--ignore-dependencies\t\tonly change listed services\n"
      "  -n\t\t--dry-run\t\t\tshow what would happen, don't do\n"
      "  -I WHAT\t--if-dependencies-found=WHAT\tWHAT=warn (default) | fail | pull (dependencies "
      "will be brought to the same rx)\n"
      "\n"
      "orv set check options:\n"
      "  -E\t\t--no-force-essential\t\tdo not allow manual changes to essential services "
      "(default)\n"
      "  -e\t\t--force-essential\t\tallow manual changes to essential services\n"
      "  -F\t\t--fix\t\t\t\ttry to fix inconsistencies automatically\n"
      "  -d\t\t--down\t\t\t\tfix by disabling or masking services if necessary (default)\n"
      "  -u\t\t--up\t\t\t\tfix by enabling services if necessary\n"
      "\n"
      "orv set commit options:\n"
      "  -f\t\t--force\t\t\t\tcompile db even if up-to-date\n"
      "  -K\t\t--keep-old\t\t\tkeep old db if any, print its path to stdout\n"
      "  -D BUN\t--default-bundle=BUN\t\tname of the bundle containing enabled+essential "
      "services\n"
      "  -h USER\t--fdholder-user=USER\t\tuser for the orv-fdholderd process (default=root, "
      "it's fine)\n"
      "\n";
  orvtest::expect_help_text("set", "--bogus", text);
}

TEST(SetNames, CheckedByTheGroupRules) {
  char const* const good[] = {"web", "", "current", "a.b", "-x", "with space", "caf\xc3\xa9"};
  EXPECT_EQ(set_check_service_names(good, 7), 1);
  EXPECT_EQ(set_check_service_names(nullptr, 0), 1);
  char const* const bad[] = {"ok", "a\nb", ".x"};
  EXPECT_EQ(set_check_service_names(bad, 1), 1);
  EXPECT_EQ(set_check_service_names(bad, 2), 0);
  EXPECT_FALSE(set_check_set_name("current"));
  EXPECT_TRUE(set_check_set_name("current2"));
  EXPECT_TRUE(set_check_set_name(""));
  EXPECT_FALSE(set_check_set_name("."));
}

TEST(SetTools, MissingOrNotExecutable) {
  tempdir dir;
  mkdir((dir / "bin").c_str(), 0755);
  write_file(dir / "bin/tuvo-set-change", "#!/bin/sh\nexit 0\n", 0644);
  struct {
    vec args;
    char const* tool;
    int code;
    char const* error;
  } const cases[] = {
      {{"set", "enable", "web"}, "tuvo-set-change", 126, "Permission denied"},
      {{"set", "status"}, "tuvo-set-status", 127, "No such file or directory"},
      {{"set", "delete", "old"}, "tuvo-set-delete", 127, "No such file or directory"},
  };
  for (auto const& c : cases) {
    vec argv = {orv_path()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    result r = run(argv, {"PATH=" + dir.path() + "/bin"});
    EXPECT_EQ(r.code, c.code) << c.tool;
    EXPECT_EQ(r.err,
              std::string("orvctl: fatal: unable to exec ") + c.tool + ": " + c.error + "\n");
  }
}

}  // namespace
