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
#include "support/names.h"
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

class Set : public testing::TestWithParam<cli_row> {};

TEST_P(Set, HandsTheExactVectorToTheTool) {
  expect_handoff(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Set,
    testing::Values(
        // enable, disable, mask, unmask, make-essential
        cli_row{.name = "Enable",
                .args = {"set", "enable", "web"},
                .calls = {{"tuvo-set-change", "-r", R, "--", "current", "active", "web"}}},
        cli_row{.name = "MakeEssentialDryRunPull",
                .args = {"set", "make-essential", "-n", "-I", "pull", "a", "b"},
                .calls = {{"tuvo-set-change", "-r", R, "-n", "-I", "pull", "-e", "--", "current",
                           "always", "a", "b"}}},
        cli_row{.name = "Disable",
                .args = {"set", "disable", "x"},
                .calls = {{"tuvo-set-change", "-r", R, "--", "current", "usable", "x"}}},
        cli_row{.name = "UnmaskIsDisable",
                .args = {"set", "unmask", "x"},
                .calls = {{"tuvo-set-change", "-r", R, "--", "current", "usable", "x"}}},
        cli_row{.name = "MaskLongOptions",
                .args = {"set", "mask", "--ignore-dependencies", "--dry-run",
                         "--if-dependencies-found=fail", "x"},
                .calls = {{"tuvo-set-change", "-r", R, "-f", "-n", "-I", "fail", "--", "current",
                           "masked", "x"}}},
        cli_row{
            .name = "LastWhatWins",
            .args = {"set", "enable", "-Ifail", "-I", "warn", "x"},
            .calls = {{"tuvo-set-change", "-r", R, "-I", "warn", "--", "current", "active", "x"}}},
        cli_row{.name = "EnableWithoutServices",
                .args = {"set", "enable"},
                .code = 100,
                .err = change_usage("enable")},
        cli_row{.name = "MakeEssentialWithoutServices",
                .args = {"set", "make-essential", "-n"},
                .code = 100,
                .err = change_usage("make-essential")},
        cli_row{.name = "UsageBeforeBadWhat",
                .args = {"set", "enable", "-I", "bogus"},
                .code = 100,
                .err = change_usage("enable")},
        cli_row{.name = "BadWhat",
                .args = {"set", "enable", "-I", "bogus", "x"},
                .code = 100,
                .err = kBadWhat},
        cli_row{.name = "WhatIsCaseSensitive",
                .args = {"set", "disable", "--if-dependencies-found=Pull", "x"},
                .code = 100,
                .err = kBadWhat},
        cli_row{.name = "UnknownOption",
                .args = {"set", "enable", "-x", "web"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: x\n"},
        cli_row{
            .name = "NamesPassIntact",
            .args = {"set", "enable", "--", "with space", "new\nline", "-lead", "caf\xc3\xa9", ""},
            .calls = {{"tuvo-set-change", "-r", R, "--", "current", "active", "with space",
                       "new\nline", "-lead", "caf\xc3\xa9", ""}}},
        cli_row{
            .name = "VerbosityZero",
            .args = {"-v", "0", "set", "enable", "web"},
            .calls = {{"tuvo-set-change", "-v", "0", "-r", R, "--", "current", "active", "web"}}},
        cli_row{.name = "VerbosityOneHasNoPair",
                .args = {"set", "enable", "web"},
                .env = {"verbosity=1", "repodir=/r"},
                .calls = {{"tuvo-set-change", "-r", "/r", "--", "current", "active", "web"}}},
        cli_row{
            .name = "VerbosityTwoFromEnvironment",
            .args = {"set", "enable", "web"},
            .env = {"verbosity=2"},
            .calls = {{"tuvo-set-change", "-v", "2", "-r", R, "--", "current", "active", "web"}}},
        cli_row{.name = "ToolStatusIsTheCommands",
                .args = {"set", "enable", "web"},
                .control = {{"tuvo-set-change.exit", "5"}},
                .code = 5,
                .calls = {{"tuvo-set-change", "-r", R, "--", "current", "active", "web"}}},
        // check
        cli_row{.name = "Check",
                .args = {"set", "check"},
                .calls = {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down",
                           "--dry-run", "--", "current"}}},
        cli_row{
            .name = "CheckFixUpForce",
            .args = {"set", "check", "-F", "-u", "-e", "ignored"},
            .calls = {{"tuvo-set-fix", "-r", R, "--force-essential", "--fix-up", "--", "current"}}},
        cli_row{.name = "CheckLastOneWins",
                .args = {"set", "check", "-ueEd", "--up", "--down"},
                .env = {"verbosity=2"},
                .calls = {{"tuvo-set-fix", "-v", "2", "-r", R, "--no-force-essential", "--fix-down",
                           "--dry-run", "--", "current"}}},
        // commit
        cli_row{.name = "CommitKeepOldUser",
                .args = {"set", "commit", "-K", "-h", "daemon"},
                .calls = {{"tuvo-set-commit", "-r", R, "-D", "default", "-K", "-h", "daemon", "--",
                           "current"}}},
        cli_row{.name = "CommitEverything",
                .args = {"-v", "3", "set", "commit", "--force", "-Dfirst", "--default-bundle=net",
                         "--fdholder-user=fd", "extra"},
                .calls = {{"tuvo-set-commit", "-v", "3", "-r", R, "-D", "net", "-f", "-h", "fd",
                           "--", "current"}}},
        // save and load
        cli_row{.name = "Save",
                .args = {"set", "save", "mine", "ignored"},
                .calls = {{"tuvo-set-copy", "-r", R, "--", "current", "mine"}}},
        cli_row{.name = "SaveForce",
                .args = {"set", "save", "-f", "mine"},
                .calls = {{"tuvo-set-copy", "-r", R, "-f", "--", "current", "mine"}}},
        cli_row{.name = "SaveEmptyNamePasses",
                .args = {"set", "save", ""},
                .calls = {{"tuvo-set-copy", "-r", R, "--", "current", ""}}},
        cli_row{.name = "SaveWithoutName",
                .args = {"set", "save", "-f"},
                .code = 100,
                .err = "usage: orv set save [ --force ] name\n"},
        cli_row{
            .name = "SaveCurrent", .args = {"set", "save", "current"}, .code = 100, .err = kBadSet},
        cli_row{
            .name = "SaveHidden", .args = {"set", "save", ".hidden"}, .code = 100, .err = kBadSet},
        cli_row{.name = "SaveSlash", .args = {"set", "save", "a/b"}, .code = 100, .err = kBadSet},
        cli_row{
            .name = "SaveNewline", .args = {"set", "save", "a\nb"}, .code = 100, .err = kBadSet},
        cli_row{.name = "Load",
                .args = {"set", "load", "mine"},
                .calls = {{"tuvo-set-copy", "-r", R, "-f", "--", "mine", "current"}}},
        cli_row{.name = "LoadDashName",
                .args = {"-v", "0", "set", "load", "--", "-old set\xff"},
                .calls = {{"tuvo-set-copy", "-v", "0", "-r", R, "-f", "--", "-old set\xff",
                           "current"}}},
        cli_row{.name = "LoadWithoutName",
                .args = {"set", "load"},
                .code = 100,
                .err = "usage: orv set load name\n"},
        cli_row{
            .name = "LoadCurrent", .args = {"set", "load", "current"}, .code = 100, .err = kBadSet},
        cli_row{.name = "LoadTakesNoOption",
                .args = {"set", "load", "-f", "mine"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: f\n"},
        // delete
        cli_row{.name = "Delete",
                .args = {"set", "delete", "old"},
                .calls = {{"tuvo-set-delete", "-v", "1", "-r", R, "--", "old"}}},
        cli_row{.name = "DeleteNamesIntact",
                .args = {"set", "delete", "--", "-old", "with space", "caf\xc3\xa9"},
                .env = {"verbosity=0"},
                .calls = {{"tuvo-set-delete", "-v", "0", "-r", R, "--", "-old", "with space",
                           "caf\xc3\xa9"}}},
        cli_row{.name = "DeleteCurrentDeletesNothing",
                .args = {"set", "delete", "ok", "current", ".x"},
                .code = 100,
                .err = "orvctl: fatal: invalid set name: current\n"},
        cli_row{.name = "DeleteNewline",
                .args = {"set", "delete", "a\nb"},
                .code = 100,
                .err = "orvctl: fatal: invalid set name: a\nb\n"},
        cli_row{.name = "DeleteWithoutNames",
                .args = {"set", "delete", "--"},
                .code = 100,
                .err = "usage: orv set delete names...\n"},
        cli_row{.name = "DeleteTakesNoOption",
                .args = {"set", "delete", "--force", "x"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized boolean option: --force\n"},
        // list and status
        cli_row{.name = "ListWithoutEssentials",
                .args = {"set", "list", "-e", "extra"},
                .calls = {{"tuvo-set-status", "-v", "1", "-r", R, "-L", "--without-essentials",
                           "--", "current"}}},
        cli_row{.name = "ListLastOneWins",
                .args = {"set", "list", "--without-essentials", "-E"},
                .calls = {{"tuvo-set-status", "-v", "1", "-r", R, "-L", "--with-essentials", "--",
                           "current"}}},
        cli_row{.name = "Status",
                .args = {"set", "status"},
                .calls = {{"tuvo-set-status", "-v", "1", "-r", R, "--with-essentials", "--",
                           "current"}}},
        cli_row{.name = "StatusNames",
                .args = {"set", "status", "-e", "current", "with space", "-x\xc3\xa9"},
                .calls = {{"tuvo-set-status", "-v", "1", "-r", R, "--without-essentials", "--",
                           "current", "current", "with space", "-x\xc3\xa9"}}},
        cli_row{.name = "StatusHidden",
                .args = {"set", "status", "ok", ".x"},
                .code = 100,
                .err = kBadService},
        cli_row{.name = "StatusSlash",
                .args = {"set", "status", "a/b"},
                .code = 100,
                .err = kBadService},
        cli_row{.name = "StatusNewline",
                .args = {"set", "status", "a\n"},
                .code = 100,
                .err = kBadService},
        // the group
        cli_row{.name = "NoSubcommand", .args = {"set"}, .code = 100, .err = kGroupUsage},
        cli_row{.name = "UnknownSubcommand",
                .args = {"set", "Enable", "web"},
                .code = 100,
                .err = kGroupUsage},
        cli_row{.name = "NoOptionBeforeSubcommand",
                .args = {"set", "-n", "enable", "web"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: n\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

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
