// The system group: boot runs the initialiser, waits, maps its failure to an
// exit code, then becomes start-everything; the power commands only refuse.
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

using system_case = handoff_case;

class System : public testing::TestWithParam<system_case> {};

TEST_P(System, RunsTheExactVectors) {
  expect_handoff(GetParam(), {{"tuvo-init.exit", "0"}, {"tuvo.exit", "0"}});
}

INSTANTIATE_TEST_SUITE_P(
    Table, System,
    testing::Values(
        system_case{"Boot", {"system", "boot"}, {}, {kInit, kStartAll}, 0, ""},
        system_case{"BootOptions",
                    {"system", "boot", "-p", "/mnt/", "-t", "5000", "-D", "net"},
                    {},
                    {{"tuvo-init", "-p", "/mnt/", "-l", L, "-c", B, "-b", "--", S},
                     {"tuvo", "-t", "5000", "-l", L, "-b", "--", "start", "net"}},
                    0,
                    ""},
        system_case{"BootDryRunStillInitialises",
                    {"system", "boot", "--dry-run", "extra", "words"},
                    {},
                    {kInit, {"tuvo", "-n1", "-l", L, "-b", "--", "start", "default"}},
                    0,
                    ""},
        system_case{"BootConfiguration",
                    {"-v", "0", "-s", "/sv", "-l", "/lv", "system", "boot", "--prefix=/p",
                     "--timeout=0250", "--default-bundle=a", "-Db"},
                    {"bootdb=/db"},
                    {{"tuvo-init", "-p", "/p", "-l", "/lv", "-c", "/db", "-b", "--", "/sv"},
                     {"tuvo", "-v", "0", "-t", "250", "-l", "/lv", "-b", "--", "start", "b"}},
                    0,
                    ""},
        system_case{"BootVerbosity2",
                    {"system", "boot", "-t0"},
                    {"verbosity=2"},
                    {kInit, {"tuvo", "-v", "2", "-l", L, "-b", "--", "start", "default"}},
                    0,
                    ""},
        system_case{"BootBadTimeout",
                    {"system", "boot", "-t", "5s"},
                    {},
                    {},
                    100,
                    "orvctl: fatal: timeout must be an unsigned integer (in milliseconds)\n"},
        system_case{"BootUnknownOption",
                    {"system", "boot", "-E"},
                    {},
                    {},
                    100,
                    "orvctl: fatal: unrecognized short option: E\n"},
        system_case{"InitExit3",
                    {"system", "boot"},
                    {},
                    {kInit},
                    3,
                    "orvctl: fatal: tuvo-init failed\n",
                    {{"tuvo-init.exit", "3"}}},
        system_case{"InitExit200",
                    {"system", "boot"},
                    {},
                    {kInit},
                    128,
                    "orvctl: fatal: tuvo-init failed\n",
                    {{"tuvo-init.exit", "200"}}},
        system_case{"InitKilled",
                    {"system", "boot"},
                    {},
                    {kInit},
                    137,
                    "orvctl: fatal: tuvo-init failed\n",
                    {{"tuvo-init.signal", "9"}}},
        system_case{"StartStatusIsTheCommands",
                    {"system", "boot"},
                    {},
                    {kInit, kStartAll},
                    5,
                    "",
                    {{"tuvo.exit", "5"}}},
        system_case{"InitMissing",
                    {"system", "boot"},
                    {},
                    {},
                    127,
                    "orvctl: fatal: unable to spawn tuvo-init: No such file or directory\n",
                    {},
                    {"tuvo"}},
        system_case{"InitNotExecutable",
                    {"system", "boot"},
                    {},
                    {},
                    126,
                    "orvctl: fatal: unable to spawn tuvo-init: Permission denied\n",
                    {},
                    {"!tuvo-init", "tuvo"}},
        system_case{"StartMissing",
                    {"system", "boot"},
                    {},
                    {kInit},
                    127,
                    "orvctl: fatal: unable to exec tuvo: No such file or directory\n",
                    {},
                    {"tuvo-init"}},
        system_case{"StartNotExecutable",
                    {"system", "boot"},
                    {},
                    {kInit},
                    126,
                    "orvctl: fatal: unable to exec tuvo: Permission denied\n",
                    {},
                    {"tuvo-init", "!tuvo"}},
        system_case{"Halt", {"system", "halt", "-f", "now"}, {}, {}, 100, kolm("halt")},
        system_case{"Poweroff", {"system", "poweroff"}, {}, {}, 100, kolm("poweroff")},
        system_case{"ShutdownIsPoweroff", {"system", "shutdown"}, {}, {}, 100, kolm("poweroff")},
        system_case{"Reboot", {"system", "reboot"}, {}, {}, 100, kolm("reboot")},
        system_case{"NoSubcommand", {"system"}, {}, {}, 100, kGroupUsage},
        system_case{"UnknownSubcommand", {"system", "Boot"}, {}, {}, 100, kGroupUsage},
        system_case{"OptionBeforeSubcommand",
                    {"system", "-n", "boot"},
                    {},
                    {},
                    100,
                    "orvctl: fatal: unrecognized short option: n\n"}),
    [](testing::TestParamInfo<system_case> const& i) { return std::string(i.param.name); });

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
