// The repository group as tools see it: the exact vectors, the store-list
// splitting, the two stages of init and the exit code taken from the first.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "support/handoff.h"
#include "support/names.h"
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

class Repository : public testing::TestWithParam<cli_row> {};

TEST_P(Repository, HandsTheExactVectorsToTheTools) {
  expect_handoff(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Repository,
    testing::Values(
        // init
        cli_row{.name = "Init",
                .args = {"repository", "init"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}, kSetNew}},
        cli_row{
            .name = "InitForceUser",
            .args = {"repository", "init", "-f", "-h", "daemon", "ignored"},
            .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "-f", "-h", "daemon", "--", S1, S2},
                      kSetNew}},
        cli_row{.name = "InitLastUserWins",
                .args = {"repository", "init", "--force", "--fdholder-user=a", "-hb"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "-f", "-h", "b", "--", S1, S2},
                          kSetNew}},
        cli_row{.name = "InitUpdateStoresExecsOnly",
                .args = {"repository", "init", "-U"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "-U", "--", S1, S2}}},
        cli_row{.name = "InitUpdateStoresStatus",
                .args = {"repository", "init", "--update-stores", "-f"},
                .control = {{"tuvo-repo-init.exit", "200"}},
                .code = 200,
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "-f", "-U", "--", S1, S2}}},
        cli_row{.name = "StoresEmptyMiddle",
                .args = {"repository", "init"},
                .env = {"storelist=a::b"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", "a", "", "b"}, kSetNew}},
        cli_row{.name = "StoresFinalColon",
                .args = {"--storelist=a:b:", "repository", "init"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", "a", "b"}, kSetNew}},
        cli_row{.name = "StoresEmptyList",
                .args = {"repository", "init"},
                .env = {"storelist="},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", ""}, kSetNew}},
        cli_row{.name = "StoresColonOnly",
                .args = {"repository", "init"},
                .env = {"storelist=:"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", ""}, kSetNew}},
        cli_row{.name = "StoresPassIntact",
                .args = {"repository", "init"},
                .env = {"storelist=-with space:caf\xc3\xa9\n:/s"},
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", "-with space",
                           "caf\xc3\xa9\n", "/s"},
                          kSetNew}},
        cli_row{.name = "InitExit3",
                .args = {"repository", "init"},
                .control = {{"tuvo-repo-init.exit", "3"}},
                .code = 3,
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}}},
        cli_row{.name = "InitExit200",
                .args = {"repository", "init"},
                .control = {{"tuvo-repo-init.exit", "200"}},
                .code = 128,
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}}},
        cli_row{.name = "InitKilled",
                .args = {"repository", "init"},
                .control = {{"tuvo-repo-init.signal", "9"}},
                .code = 137,
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}}},
        cli_row{.name = "InitSecondStageStatus",
                .args = {"repository", "init"},
                .control = {{"tuvo-set-new.exit", "4"}},
                .code = 4,
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}, kSetNew}},
        cli_row{.name = "InitVerbosity2",
                .args = {"-v", "2", "repository", "init"},
                .env = {"repodir=/r"},
                .calls = {{"tuvo-repo-init", "-v", "2", "-r", "/r", "--", S1, S2},
                          {"tuvo-set-new", "-v", "2", "-r", "/r", "--", "current"}}},
        cli_row{.name = "InitVerbosity0",
                .args = {"repository", "init"},
                .env = {"verbosity=0"},
                .calls = {{"tuvo-repo-init", "-v", "0", "-r", R, "--", S1, S2},
                          {"tuvo-set-new", "-v", "0", "-r", R, "--", "current"}}},
        cli_row{.name = "InitUnknownOption",
                .args = {"repository", "init", "--frob=1"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized option with argument: --frob=1\n"},
        // the tools cannot run
        cli_row{
            .name = "InitToolMissing",
            .args = {"repository", "init"},
            .tools = {"tuvo-set-new"},
            .code = 127,
            .err = "orvctl: fatal: unable to spawn tuvo-repo-init: No such file or directory\n"},
        cli_row{.name = "InitToolNotExecutable",
                .args = {"repository", "init"},
                .tools = {"!tuvo-repo-init", "tuvo-set-new"},
                .code = 126,
                .err = "orvctl: fatal: unable to spawn tuvo-repo-init: Permission denied\n"},
        cli_row{.name = "SetNewMissing",
                .args = {"repository", "init"},
                .tools = {"tuvo-repo-init"},
                .code = 127,
                .err = "orvctl: fatal: unable to exec tuvo-set-new: No such file or directory\n",
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}}},
        cli_row{.name = "SetNewNotExecutable",
                .args = {"repository", "init"},
                .tools = {"tuvo-repo-init", "!tuvo-set-new"},
                .code = 126,
                .err = "orvctl: fatal: unable to exec tuvo-set-new: Permission denied\n",
                .calls = {{"tuvo-repo-init", "-v", "1", "-r", R, "--", S1, S2}}},
        cli_row{.name = "UpdateStoresToolMissing",
                .args = {"repository", "init", "-U"},
                .tools = {"tuvo-set-new"},
                .code = 127,
                .err = "orvctl: fatal: unable to exec tuvo-repo-init: No such file or directory\n"},
        // list, sync, check
        cli_row{.name = "ListIgnoresEverything",
                .args = {"repository", "list", "--bogus", "-x"},
                .calls = {{"tuvo-repo-list", "-r", R, "-x", "current", "--"}}},
        cli_row{.name = "ListVerbosity0",
                .args = {"-v0", "repository", "list"},
                .calls = {{"tuvo-repo-list", "-v", "0", "-r", R, "-x", "current", "--"}}},
        cli_row{.name = "Sync",
                .args = {"repository", "sync", "extra"},
                .calls = {{"tuvo-repo-sync", "-r", R, "--"}}},
        cli_row{.name = "SyncUser",
                .args = {"-v", "2", "repository", "sync", "-h", "x", "--fdholder-user=daemon"},
                .calls = {{"tuvo-repo-sync", "-v", "2", "-r", R, "-h", "daemon", "--"}}},
        cli_row{.name = "SyncStatus",
                .args = {"repository", "sync"},
                .control = {{"tuvo-repo-sync.exit", "7"}},
                .code = 7,
                .calls = {{"tuvo-repo-sync", "-r", R, "--"}}},
        cli_row{.name = "SyncNoBoolean",
                .args = {"repository", "sync", "-f"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: f\n"},
        cli_row{.name = "Check",
                .args = {"repository", "check"},
                .calls = {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down",
                           "--dry-run"}}},
        cli_row{.name = "CheckFix",
                .args = {"repository", "check", "-F", "extra"},
                .calls = {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down"}}},
        cli_row{.name = "CheckUpForce",
                .args = {"repository", "check", "-eu", "--fix"},
                .env = {"verbosity=3"},
                .calls = {{"tuvo-set-fix", "-v", "3", "-r", R, "--force-essential", "--fix-up"}}},
        cli_row{.name = "CheckLastOneWins",
                .args = {"repository", "check", "--force-essential", "-u", "-Ed"},
                .calls = {{"tuvo-set-fix", "-r", R, "--no-force-essential", "--fix-down",
                           "--dry-run"}}},
        cli_row{.name = "CheckNoForce",
                .args = {"repository", "check", "-f"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: f\n"},
        // the group
        cli_row{.name = "NoSubcommand", .args = {"repository"}, .code = 100, .err = kGroupUsage},
        cli_row{.name = "UnknownSubcommand",
                .args = {"repository", "create"},
                .code = 100,
                .err = kGroupUsage},
        cli_row{.name = "NoOptionBeforeSubcommand",
                .args = {"repository", "-f", "init"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: f\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

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
