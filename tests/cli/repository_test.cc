// The repository group as tools see it: the exact vectors, the store-list
// splitting, the two stages of init and the exit code taken from the first.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "support/handoff.h"
#include "support/run.h"
#include "testbed/common/tblog.h"

using namespace orvtest;

namespace {

using vec = std::vector<std::string>;

std::string const R = "/var/lib/tuvo/repository";
std::string const S1 = "/usr/local/share/orvctl/tuvo/sources";
std::string const S2 = "/usr/local/etc/orvctl/tuvo/sources";
std::string const kGroupUsage =
    "orvctl: usage: orv repository subcommand [ subcommand options ] [ services... ] Type \"orv "
    "repository help\" for details.\n";
vec const kSetNew = {"tuvo-set-new", "-r", R, "--", "current"};

using repo_case = handoff_case;

class Repository : public testing::TestWithParam<repo_case> {};

TEST_P(Repository, HandsTheExactVectorsToTheTools) {
  expect_handoff(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Repository,
    testing::Values(
        // init
        repo_case{"Init",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}, kSetNew},
                  0,
                  ""},
        repo_case{
            "InitForceUser",
            {"repository", "init", "-f", "-h", "daemon", "ignored"},
            {},
            {{"tuvo-repo-init", "-v", "1", "-r", R, "-f", "-h", "daemon", "--", S1, S2}, kSetNew},
            0,
            ""},
        repo_case{"InitLastUserWins",
                  {"repository", "init", "--force", "--fdholder-user=a", "-hb"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "-f", "-h", "b", "--", S1, S2}, kSetNew},
                  0,
                  ""},
        repo_case{"InitUpdateStoresExecsOnly",
                  {"repository", "init", "-U"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "-U", "--", S1, S2}},
                  0,
                  ""},
        repo_case{"InitUpdateStoresStatus",
                  {"repository", "init", "--update-stores", "-f"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "-f", "-U", "--", S1, S2}},
                  200,
                  "",
                  {{"tuvo-repo-init.exit", "200"}}},
        repo_case{"StoresEmptyMiddle",
                  {"repository", "init"},
                  {"storelist=a::b"},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", "a", "", "b"}, kSetNew},
                  0,
                  ""},
        repo_case{"StoresFinalColon",
                  {"--storelist=a:b:", "repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", "a", "b"}, kSetNew},
                  0,
                  ""},
        repo_case{"StoresEmptyList",
                  {"repository", "init"},
                  {"storelist="},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", ""}, kSetNew},
                  0,
                  ""},
        repo_case{"StoresColonOnly",
                  {"repository", "init"},
                  {"storelist=:"},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", ""}, kSetNew},
                  0,
                  ""},
        repo_case{
            "StoresPassIntact",
            {"repository", "init"},
            {"storelist=-with space:caf\xc3\xa9\n:/s"},
            {{"tuvo-repo-init", "-v", "1", "-r", R, "--", "-with space", "caf\xc3\xa9\n", "/s"},
             kSetNew},
            0,
            ""},
        repo_case{"InitExit3",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}},
                  3,
                  "",
                  {{"tuvo-repo-init.exit", "3"}}},
        repo_case{"InitExit200",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}},
                  128,
                  "",
                  {{"tuvo-repo-init.exit", "200"}}},
        repo_case{"InitKilled",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}},
                  137,
                  "",
                  {{"tuvo-repo-init.signal", "9"}}},
        repo_case{"InitSecondStageStatus",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}, kSetNew},
                  4,
                  "",
                  {{"tuvo-set-new.exit", "4"}}},
        repo_case{"InitVerbosity2",
                  {"-v", "2", "repository", "init"},
                  {"repodir=/r"},
                  {{"tuvo-repo-init", "-v", "2", "-r", "/r", "--", S1, S2},
                   {"tuvo-set-new", "-v", "2", "-r", "/r", "--", "current"}},
                  0,
                  ""},
        repo_case{"InitVerbosity0",
                  {"repository", "init"},
                  {"verbosity=0"},
                  {{"tuvo-repo-init", "-v", "0", "-r", R, "--", S1, S2},
                   {"tuvo-set-new", "-v", "0", "-r", R, "--", "current"}},
                  0,
                  ""},
        repo_case{"InitUnknownOption",
                  {"repository", "init", "--frob=1"},
                  {},
                  {},
                  100,
                  "orvctl: fatal: unrecognized option with argument: --frob=1\n"},
        // the tools cannot run
        repo_case{"InitToolMissing",
                  {"repository", "init"},
                  {},
                  {},
                  127,
                  "orvctl: fatal: unable to spawn tuvo-repo-init: No such file or directory\n",
                  {},
                  {"tuvo-set-new"}},
        repo_case{"InitToolNotExecutable",
                  {"repository", "init"},
                  {},
                  {},
                  126,
                  "orvctl: fatal: unable to spawn tuvo-repo-init: Permission denied\n",
                  {},
                  {"!tuvo-repo-init", "tuvo-set-new"}},
        repo_case{"SetNewMissing",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}},
                  127,
                  "orvctl: fatal: unable to exec tuvo-set-new: No such file or directory\n",
                  {},
                  {"tuvo-repo-init"}},
        repo_case{"SetNewNotExecutable",
                  {"repository", "init"},
                  {},
                  {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}},
                  126,
                  "orvctl: fatal: unable to exec tuvo-set-new: Permission denied\n",
                  {},
                  {"tuvo-repo-init", "!tuvo-set-new"}},
        repo_case{"UpdateStoresToolMissing",
                  {"repository", "init", "-U"},
                  {},
                  {},
                  127,
                  "orvctl: fatal: unable to exec tuvo-repo-init: No such file or directory\n",
                  {},
                  {"tuvo-set-new"}},
        // list, sync, check
        repo_case{"ListIgnoresEverything",
                  {"repository", "list", "--bogus", "-x"},
                  {},
                  {{"tuvo-repo-list", "-r", R, "-x", "current", "--"}},
                  0,
                  ""},
        repo_case{"ListVerbosity0",
                  {"-v0", "repository", "list"},
                  {},
                  {{"tuvo-repo-list", "-v", "0", "-r", R, "-x", "current", "--"}},
                  0,
                  ""},
        repo_case{"Sync",
                  {"repository", "sync", "extra"},
                  {},
                  {{"tuvo-repo-sync", "-r", R, "--"}},
                  0,
                  ""},
        repo_case{"SyncUser",
                  {"-v", "2", "repository", "sync", "-h", "x", "--fdholder-user=daemon"},
                  {},
                  {{"tuvo-repo-sync", "-v", "2", "-r", R, "-h", "daemon", "--"}},
                  0,
                  ""},
        repo_case{"SyncStatus",
                  {"repository", "sync"},
                  {},
                  {{"tuvo-repo-sync", "-r", R, "--"}},
                  7,
                  "",
                  {{"tuvo-repo-sync.exit", "7"}}},
        repo_case{"SyncNoBoolean",
                  {"repository", "sync", "-f"},
                  {},
                  {},
                  100,
                  "orvctl: fatal: unrecognized short option: f\n"},
        repo_case{"Check",
                  {"repository", "check"},
                  {},
                  {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down", "--dry-run"}},
                  0,
                  ""},
        repo_case{"CheckFix",
                  {"repository", "check", "-F", "extra"},
                  {},
                  {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down"}},
                  0,
                  ""},
        repo_case{"CheckUpForce",
                  {"repository", "check", "-eu", "--fix"},
                  {"verbosity=3"},
                  {{"tuvo-set-fix", "-v", "3", "-r", R, "--force-essential", "--fix-up"}},
                  0,
                  ""},
        repo_case{"CheckLastOneWins",
                  {"repository", "check", "--force-essential", "-u", "-Ed"},
                  {},
                  {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down", "--dry-run"}},
                  0,
                  ""},
        repo_case{"CheckNoForce",
                  {"repository", "check", "-f"},
                  {},
                  {},
                  100,
                  "orvctl: fatal: unrecognized short option: f\n"},
        // the group
        repo_case{"NoSubcommand", {"repository"}, {}, {}, 100, kGroupUsage},
        repo_case{"UnknownSubcommand", {"repository", "create"}, {}, {}, 100, kGroupUsage},
        repo_case{"NoOptionBeforeSubcommand",
                  {"repository", "-f", "init"},
                  {},
                  {},
                  100,
                  "orvctl: fatal: unrecognized short option: f\n"}),
    [](testing::TestParamInfo<repo_case> const& i) { return std::string(i.param.name); });

TEST(RepositoryHelp, PrintsTheHelpText) {
  std::string const text =
      "Usage: orv repository subcommand [ options ]\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  init\t\tinitialize a service repository\n"
      "  sync\t\tsynchronize repository with stores\n"
      "  list\t\tlist names of saved service sets\n"
      "  check         check all sets and fix inconsistencies\n"
      "\n"
      "\n"
      "orv repository init options:\n"
      "  -f\t\t--force\t\t\tOverwrite existing repository\n"
      "  -U\t\t--update-stores\t\tUpdate existing repository with new stores\n"
      "  -h USER\t--fdholder-user\t\tSet USER as reference fdholder owner\n"
      "\n"
      "orv repository sync options:\n"
      "  -h USER\t--fdholder-user\t\tSet USER as reference fdholder owner\n"
      "\n"
      "orv repository list options: none\n"
      "\n"
      "orv repository check options:\n"
      "  -E\t\t--no-force-essential\t\tdo not allow manual changes to essential services "
      "(default)\n"
      "  -e\t\t--force-essential\t\tallow manual changes to essential services\n"
      "  -F\t\t--fix\t\t\t\ttry to fix inconsistencies automatically\n"
      "  -d\t\t--down\t\t\t\tfix by disabling or masking services if necessary (default)\n"
      "  -u\t\t--up\t\t\t\tfix by enabling services if necessary\n"
      "\n";
  orvtest::expect_help_text("repository", "-x", text);
}

}  // namespace
