// The system group: boot runs the initialiser, waits, maps its failure to an
// exit code, then becomes start-everything; the power commands only refuse.
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

std::string const L = "/run/orvctl";
std::string const B = "/usr/local/etc/tuvo/compiled/current";
std::string const S = "/run/service";
std::string const kGroupUsage =
    "orvctl: usage: orv system subcommand [ subcommand options ] [ services... ] Type \"orv "
    "system help\" for details.\n";
vec const kInit = {"tuvo-init", "-l", L, "-c", B, "-b", "--", S};
vec const kStartAll = {"tuvo", "-l", L, "-b", "--", "start", "default"};
std::string kolm(std::string const& name) {
  return "orvctl: fatal: orv system " + name + " needs orvctl to be built with kolm support\n";
}

class System : public testing::TestWithParam<cli_row> {};

TEST_P(System, RunsTheExactVectors) {
  expect_handoff(GetParam(), {{"tuvo-init.exit", "0"}, {"tuvo.exit", "0"}});
}

INSTANTIATE_TEST_SUITE_P(
    Table, System,
    testing::Values(
        cli_row{.name = "Boot", .args = {"system", "boot"}, .calls = {kInit, kStartAll}},
        cli_row{.name = "BootOptions",
                .args = {"system", "boot", "-p", "/mnt/", "-t", "5000", "-D", "net"},
                .calls = {{"tuvo-init", "-p", "/mnt/", "-l", L, "-c", B, "-b", "--", S},
                          {"tuvo", "-t", "5000", "-l", L, "-b", "--", "start", "net"}}},
        cli_row{.name = "BootDryRunStillInitialises",
                .args = {"system", "boot", "--dry-run", "extra", "words"},
                .calls = {kInit, {"tuvo", "-n1", "-l", L, "-b", "--", "start", "default"}}},
        cli_row{.name = "BootConfiguration",
                .args = {"-v", "0", "-s", "/sv", "-l", "/lv", "system", "boot", "--prefix=/p",
                         "--timeout=0250", "--default-bundle=a", "-Db"},
                .env = {"bootdb=/db"},
                .calls = {{"tuvo-init", "-p", "/p", "-l", "/lv", "-c", "/db", "-b", "--", "/sv"},
                          {"tuvo", "-v", "0", "-t", "250", "-l", "/lv", "-b", "--", "start", "b"}}},
        cli_row{.name = "BootVerbosity2",
                .args = {"system", "boot", "-t0"},
                .env = {"verbosity=2"},
                .calls = {kInit, {"tuvo", "-v", "2", "-l", L, "-b", "--", "start", "default"}}},
        cli_row{.name = "BootBadTimeout",
                .args = {"system", "boot", "-t", "5s"},
                .code = 100,
                .err = "orvctl: fatal: timeout must be an unsigned integer (in milliseconds)\n"},
        cli_row{.name = "BootUnknownOption",
                .args = {"system", "boot", "-E"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: E\n"},
        cli_row{.name = "InitExit3",
                .args = {"system", "boot"},
                .control = {{"tuvo-init.exit", "3"}},
                .code = 3,
                .err = "orvctl: fatal: tuvo-init failed\n",
                .calls = {kInit}},
        cli_row{.name = "InitExit200",
                .args = {"system", "boot"},
                .control = {{"tuvo-init.exit", "200"}},
                .code = 128,
                .err = "orvctl: fatal: tuvo-init failed\n",
                .calls = {kInit}},
        cli_row{.name = "InitKilled",
                .args = {"system", "boot"},
                .control = {{"tuvo-init.signal", "9"}},
                .code = 137,
                .err = "orvctl: fatal: tuvo-init failed\n",
                .calls = {kInit}},
        cli_row{.name = "StartStatusIsTheCommands",
                .args = {"system", "boot"},
                .control = {{"tuvo.exit", "5"}},
                .code = 5,
                .calls = {kInit, kStartAll}},
        cli_row{.name = "InitMissing",
                .args = {"system", "boot"},
                .tools = {"tuvo"},
                .code = 127,
                .err = "orvctl: fatal: unable to spawn tuvo-init: No such file or directory\n"},
        cli_row{.name = "InitNotExecutable",
                .args = {"system", "boot"},
                .tools = {"!tuvo-init", "tuvo"},
                .code = 126,
                .err = "orvctl: fatal: unable to spawn tuvo-init: Permission denied\n"},
        cli_row{.name = "StartMissing",
                .args = {"system", "boot"},
                .tools = {"tuvo-init"},
                .code = 127,
                .err = "orvctl: fatal: unable to exec tuvo: No such file or directory\n",
                .calls = {kInit}},
        cli_row{.name = "StartNotExecutable",
                .args = {"system", "boot"},
                .tools = {"tuvo-init", "!tuvo"},
                .code = 126,
                .err = "orvctl: fatal: unable to exec tuvo: Permission denied\n",
                .calls = {kInit}},
        cli_row{.name = "Halt",
                .args = {"system", "halt", "-f", "now"},
                .code = 100,
                .err = kolm("halt")},
        cli_row{.name = "Poweroff",
                .args = {"system", "poweroff"},
                .code = 100,
                .err = kolm("poweroff")},
        cli_row{.name = "ShutdownIsPoweroff",
                .args = {"system", "shutdown"},
                .code = 100,
                .err = kolm("poweroff")},
        cli_row{.name = "Reboot", .args = {"system", "reboot"}, .code = 100, .err = kolm("reboot")},
        cli_row{.name = "NoSubcommand", .args = {"system"}, .code = 100, .err = kGroupUsage},
        cli_row{.name = "UnknownSubcommand",
                .args = {"system", "Boot"},
                .code = 100,
                .err = kGroupUsage},
        cli_row{.name = "OptionBeforeSubcommand",
                .args = {"system", "-n", "boot"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: n\n"}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

TEST(SystemHelp, PrintsTheHelpText) {
  std::string const text =
      "Usage: orv system subcommand\n"
      "\n"
      "Subcommands:\n"
      "  help\t\tthis message\n"
      "  boot\t\tinitialize the service manager and start default services\n"
      "\n"
      " plus, if orvctl has been built with kolm support:\n"
      "  halt\t\thalt the system (without powering it off)\n"
      "  poweroff\thalt the system, powering it off\n"
      "  shutdown\tsynonymous with poweroff\n"
      "  reboot\treboot the system\n"
      "\n"
      "No options.\n"
      "\n";
  orvtest::expect_help_text("system", "boot", text);
}

}  // namespace
