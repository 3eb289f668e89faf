// live install, start-everything and stop-everything as the tools see
// them: the exact vector, option overriding, the timeout checks.
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
std::string const L = "/run/orvctl";
std::string const B = "/usr/local/etc/tuvo/compiled/current";
std::string const kBadTimeout = "orvctl: fatal: timeout must be an integer (milliseconds)\n";
vec const kInstall = {"tuvo-set-install", "-r", R, "-c", B, "-l", L, "-e", "--", "current"};
vec const kStartAll = {"tuvo", "-l", L, "-b", "--", "start", "default"};
vec const kStopAll = {"tuvo", "-l", L, "-bda", "--", "change"};

class LiveHandOff : public testing::TestWithParam<cli_row> {};

TEST_P(LiveHandOff, HandsTheExactVectorToTheTool) {
  expect_handoff(GetParam(), {{"tuvo.exit", "0"}});
}

INSTANTIATE_TEST_SUITE_P(
    Table, LiveHandOff,
    testing::Values(
        // install
        cli_row{.name = "Install", .args = {"live", "install"}, .calls = {kInstall}},
        cli_row{.name = "InstallOperandsIgnored",
                .args = {"live", "install", "foo", "bar"},
                .calls = {kInstall}},
        cli_row{.name = "InstallEverything",
                .args = {"--verbosity=2", "live", "install", "-bK", "-f", "conv", "--init"},
                .calls = {{"tuvo-set-install", "-v", "2", "-r", R, "-c", B, "-l", L, "-b", "-K",
                           "-e", "-f", "conv", "--no-update", "--", "current"}}},
        cli_row{.name = "InstallLongForms",
                .args = {"live", "install", "--block", "--keep-old", "--no-force-essentials",
                         "--conversion-file=a b"},
                .env = {"repodir=/r", "bootdb=/c", "livedir=/l"},
                .calls = {{"tuvo-set-install", "-r", "/r", "-c", "/c", "-l", "/l", "-b", "-K", "-E",
                           "-f", "a b", "--", "current"}}},
        cli_row{.name = "InstallNoForceEssentials",
                .args = {"live", "install", "-E"},
                .calls = {{"tuvo-set-install", "-r", R, "-c", B, "-l", L, "-E", "--", "current"}}},
        cli_row{.name = "InstallLastOneWins",
                .args = {"live", "install", "-E", "-e", "-f", "a", "-fb"},
                .calls = {{"tuvo-set-install", "-r", R, "-c", B, "-l", L, "-e", "-f", "b", "--",
                           "current"}}},
        cli_row{.name = "InstallFileWithoutValue",
                .args = {"live", "install", "-f", "--"},
                .calls = {kInstall}},
        cli_row{.name = "InstallVerbosity0",
                .args = {"live", "install"},
                .env = {"verbosity=0"},
                .calls = {{"tuvo-set-install", "-v", "0", "-r", R, "-c", B, "-l", L, "-e", "--",
                           "current"}}},
        cli_row{.name = "InstallInitTakesNoValue",
                .args = {"live", "install", "--init=1"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized option with argument: --init=1\n"},
        cli_row{.name = "InstallToolStatus",
                .args = {"live", "install"},
                .control = {{"tuvo-set-install.exit", "9"}},
                .code = 9,
                .calls = {kInstall}},
        cli_row{.name = "InstallNotExecutable",
                .args = {"live", "install"},
                .tools = {"!tuvo-set-install"},
                .code = 126,
                .err = "orvctl: fatal: unable to exec tuvo-set-install: Permission denied\n"},
        // start-everything
        cli_row{.name = "StartEverything",
                .args = {"live", "start-everything", "ignored"},
                .calls = {kStartAll}},
        cli_row{.name = "StartEverythingAll",
                .args = {"live", "start-everything", "-n", "-t", "5000", "-D", "web"},
                .calls = {{"tuvo", "-t", "5000", "-n1", "-l", L, "-b", "--", "start", "web"}}},
        cli_row{.name = "StartEverythingLongForms",
                .args = {"-v", "2", "live", "start-everything", "--dry-run", "--timeout=7",
                         "--default-bundle=-net work"},
                .env = {"livedir=/l"},
                .calls = {{"tuvo", "-v", "2", "-t", "7", "-n1", "-l", "/l", "-b", "--", "start",
                           "-net work"}}},
        cli_row{.name = "StartEverythingTimeoutZero",
                .args = {"live", "start-everything", "-t", "0"},
                .calls = {kStartAll}},
        cli_row{.name = "StartEverythingTimeoutRewritten",
                .args = {"live", "start-everything", "-t", "0250"},
                .calls = {{"tuvo", "-t", "250", "-l", L, "-b", "--", "start", "default"}}},
        cli_row{.name = "StartEverythingLastTimeoutWins",
                .args = {"live", "start-everything", "-t", "x", "-t4294967295"},
                .calls = {{"tuvo", "-t", "4294967295", "-l", L, "-b", "--", "start", "default"}}},
        cli_row{.name = "StartEverythingTimeoutUnit",
                .args = {"live", "start-everything", "-t", "5s"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "StartEverythingTimeoutNegative",
                .args = {"live", "start-everything", "-t", "-1"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "StartEverythingTimeoutTooLarge",
                .args = {"live", "start-everything", "--timeout=4294967296"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "StartEverythingTimeoutEmpty",
                .args = {"live", "start-everything", "--timeout="},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "StartEverythingVerbosity0",
                .args = {"-v", "0", "live", "start-everything", "-n"},
                .calls = {{"tuvo", "-v", "0", "-n1", "-l", L, "-b", "--", "start", "default"}}},
        cli_row{.name = "StartEverythingToolStatus",
                .args = {"live", "start-everything"},
                .control = {{"tuvo.exit", "3"}},
                .code = 3,
                .calls = {kStartAll}},
        cli_row{.name = "StartEverythingToolMissing",
                .args = {"live", "start-everything"},
                .tools = {"tuvo-set-install"},
                .code = 127,
                .err = "orvctl: fatal: unable to exec tuvo: No such file or directory\n"},
        // stop-everything
        cli_row{.name = "StopEverything",
                .args = {"live", "stop-everything", "x"},
                .calls = {kStopAll}},
        cli_row{.name = "StopEverythingWithEssentials",
                .args = {"live", "stop-everything", "-E"},
                .calls = {{"tuvo", "-l", L, "-bDa", "--", "change"}}},
        cli_row{.name = "StopEverythingLastOneWins",
                .args = {"live", "stop-everything", "--with-essentials", "-e"},
                .calls = {kStopAll}},
        cli_row{.name = "StopEverythingTimeoutAsGiven",
                .args = {"live", "stop-everything", "-t", "0250", "-n"},
                .calls = {{"tuvo", "-t", "0250", "-n1", "-l", L, "-bda", "--", "change"}}},
        cli_row{.name = "StopEverythingTimeoutZero",
                .args = {"live", "stop-everything", "--timeout=000"},
                .calls = {kStopAll}},
        cli_row{.name = "StopEverythingBadTimeout",
                .args = {"live", "stop-everything", "-t", "1e3"},
                .code = 100,
                .err = kBadTimeout},
        cli_row{.name = "StopEverythingVerbosity0",
                .args = {"live", "stop-everything", "-En"},
                .env = {"verbosity=0"},
                .calls = {{"tuvo", "-v", "0", "-n1", "-l", L, "-bDa", "--", "change"}}},
        cli_row{.name = "StopEverythingUnknownOption",
                .args = {"live", "stop-everything", "-D", "x"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: D\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

}  // namespace
