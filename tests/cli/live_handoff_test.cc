// live install, start-everything and stop-everything as the tools see
// them: the exact vector, option overriding, the timeout checks.
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
std::string const L = "/run/orvctl";
std::string const B = "/usr/local/etc/tuvo/compiled/current";
std::string const kBadTimeout = "orvctl: fatal: timeout must be an integer (milliseconds)\n";
vec const kInstall = {"tuvo-set-install", "-r", R, "-c", B, "-l", L, "-e", "--", "current"};
vec const kStartAll = {"tuvo", "-l", L, "-b", "--", "start", "default"};
vec const kStopAll = {"tuvo", "-l", L, "-bda", "--", "change"};

using live_case = handoff_case;

class LiveHandOff : public testing::TestWithParam<live_case> {};

TEST_P(LiveHandOff, HandsTheExactVectorToTheTool) {
  expect_handoff(GetParam(), {{"tuvo.exit", "0"}});
}

INSTANTIATE_TEST_SUITE_P(
    Table, LiveHandOff,
    testing::Values(
        // install
        live_case{"Install", {"live", "install"}, {}, {kInstall}, 0, ""},
        live_case{
            "InstallOperandsIgnored", {"live", "install", "foo", "bar"}, {}, {kInstall}, 0, ""},
        live_case{"InstallEverything",
                  {"--verbosity=2", "live", "install", "-bK", "-f", "conv", "--init"},
                  {},
                  {{"tuvo-set-install", "-v", "2", "-r", R, "-c", B, "-l", L, "-b", "-K", "-e",
                    "-f", "conv", "--no-update", "--", "current"}},
                  0,
                  ""},
        live_case{"InstallLongForms",
                  {"live", "install", "--block", "--keep-old", "--no-force-essentials",
                   "--conversion-file=a b"},
                  {"repodir=/r", "bootdb=/c", "livedir=/l"},
                  {{"tuvo-set-install", "-r", "/r", "-c", "/c", "-l", "/l", "-b", "-K", "-E", "-f",
                    "a b", "--", "current"}},
                  0,
                  ""},
        live_case{"InstallNoForceEssentials",
                  {"live", "install", "-E"},
                  {},
                  {{"tuvo-set-install", "-r", R, "-c", B, "-l", L, "-E", "--", "current"}},
                  0,
                  ""},
        live_case{
            "InstallLastOneWins",
            {"live", "install", "-E", "-e", "-f", "a", "-fb"},
            {},
            {{"tuvo-set-install", "-r", R, "-c", B, "-l", L, "-e", "-f", "b", "--", "current"}},
            0,
            ""},
        live_case{
            "InstallFileWithoutValue", {"live", "install", "-f", "--"}, {}, {kInstall}, 0, ""},
        live_case{
            "InstallVerbosity0",
            {"live", "install"},
            {"verbosity=0"},
            {{"tuvo-set-install", "-v", "0", "-r", R, "-c", B, "-l", L, "-e", "--", "current"}},
            0,
            ""},
        live_case{"InstallInitTakesNoValue",
                  {"live", "install", "--init=1"},
                  {},
                  {},
                  100,
                  "orvctl: fatal: unrecognized option with argument: --init=1\n"},
        live_case{"InstallToolStatus",
                  {"live", "install"},
                  {},
                  {kInstall},
                  9,
                  "",
                  {{"tuvo-set-install.exit", "9"}}},
        live_case{"InstallNotExecutable",
                  {"live", "install"},
                  {},
                  {},
                  126,
                  "orvctl: fatal: unable to exec tuvo-set-install: Permission denied\n",
                  {},
                  {"!tuvo-set-install"}},
        // start-everything
        live_case{
            "StartEverything", {"live", "start-everything", "ignored"}, {}, {kStartAll}, 0, ""},
        live_case{"StartEverythingAll",
                  {"live", "start-everything", "-n", "-t", "5000", "-D", "web"},
                  {},
                  {{"tuvo", "-t", "5000", "-n1", "-l", L, "-b", "--", "start", "web"}},
                  0,
                  ""},
        live_case{
            "StartEverythingLongForms",
            {"-v", "2", "live", "start-everything", "--dry-run", "--timeout=7",
             "--default-bundle=-net work"},
            {"livedir=/l"},
            {{"tuvo", "-v", "2", "-t", "7", "-n1", "-l", "/l", "-b", "--", "start", "-net work"}},
            0,
            ""},
        live_case{"StartEverythingTimeoutZero",
                  {"live", "start-everything", "-t", "0"},
                  {},
                  {kStartAll},
                  0,
                  ""},
        live_case{"StartEverythingTimeoutRewritten",
                  {"live", "start-everything", "-t", "0250"},
                  {},
                  {{"tuvo", "-t", "250", "-l", L, "-b", "--", "start", "default"}},
                  0,
                  ""},
        live_case{"StartEverythingLastTimeoutWins",
                  {"live", "start-everything", "-t", "x", "-t4294967295"},
                  {},
                  {{"tuvo", "-t", "4294967295", "-l", L, "-b", "--", "start", "default"}},
                  0,
                  ""},
        live_case{"StartEverythingTimeoutUnit",
                  {"live", "start-everything", "-t", "5s"},
                  {},
                  {},
                  100,
                  kBadTimeout},
        live_case{"StartEverythingTimeoutNegative",
                  {"live", "start-everything", "-t", "-1"},
                  {},
                  {},
                  100,
                  kBadTimeout},
        live_case{"StartEverythingTimeoutTooLarge",
                  {"live", "start-everything", "--timeout=4294967296"},
                  {},
                  {},
                  100,
                  kBadTimeout},
        live_case{"StartEverythingTimeoutEmpty",
                  {"live", "start-everything", "--timeout="},
                  {},
                  {},
                  100,
                  kBadTimeout},
        live_case{"StartEverythingVerbosity0",
                  {"-v", "0", "live", "start-everything", "-n"},
                  {},
                  {{"tuvo", "-v", "0", "-n1", "-l", L, "-b", "--", "start", "default"}},
                  0,
                  ""},
        live_case{"StartEverythingToolStatus",
                  {"live", "start-everything"},
                  {},
                  {kStartAll},
                  3,
                  "",
                  {{"tuvo.exit", "3"}}},
        live_case{"StartEverythingToolMissing",
                  {"live", "start-everything"},
                  {},
                  {},
                  127,
                  "orvctl: fatal: unable to exec tuvo: No such file or directory\n",
                  {},
                  {"tuvo-set-install"}},
        // stop-everything
        live_case{"StopEverything", {"live", "stop-everything", "x"}, {}, {kStopAll}, 0, ""},
        live_case{"StopEverythingWithEssentials",
                  {"live", "stop-everything", "-E"},
                  {},
                  {{"tuvo", "-l", L, "-bDa", "--", "change"}},
                  0,
                  ""},
        live_case{"StopEverythingLastOneWins",
                  {"live", "stop-everything", "--with-essentials", "-e"},
                  {},
                  {kStopAll},
                  0,
                  ""},
        live_case{"StopEverythingTimeoutAsGiven",
                  {"live", "stop-everything", "-t", "0250", "-n"},
                  {},
                  {{"tuvo", "-t", "0250", "-n1", "-l", L, "-bda", "--", "change"}},
                  0,
                  ""},
        live_case{"StopEverythingTimeoutZero",
                  {"live", "stop-everything", "--timeout=000"},
                  {},
                  {kStopAll},
                  0,
                  ""},
        live_case{"StopEverythingBadTimeout",
                  {"live", "stop-everything", "-t", "1e3"},
                  {},
                  {},
                  100,
                  kBadTimeout},
        live_case{"StopEverythingVerbosity0",
                  {"live", "stop-everything", "-En"},
                  {"verbosity=0"},
                  {{"tuvo", "-v", "0", "-n1", "-l", L, "-bDa", "--", "change"}},
                  0,
                  ""},
        live_case{"StopEverythingUnknownOption",
                  {"live", "stop-everything", "-D", "x"},
                  {},
                  {},
                  100,
                  "orvctl: fatal: unrecognized short option: D\n"}),
    [](testing::TestParamInfo<live_case> const& i) { return std::string(i.param.name); });

}  // namespace
