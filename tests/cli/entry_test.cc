// The entry point as a user meets it: global options, environment, command
// words, help and version, every diagnostic line and exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/names.h"
#include "support/run.h"

using namespace orvtest;

namespace {

std::string const kUsage =
    "orvctl: usage: orv [ generic options ] command [ command options ] command_arguments... "
    "Type \"orv help\" for details.\n";
std::string const kLiveUsage =
    "orvctl: usage: orv live subcommand [ subcommand options ] [ services... ] Type \"orv live "
    "help\" for details.\n";
std::string const kVersion = "orvctl v0.0.1.1\n";
std::string const kBadVerbosity = "orvctl: fatal: verbosity must be an unsigned integer\n";
std::string const kBadColor = "orvctl: fatal: --color value must be yes, no, or auto\n";
std::string const kHelp =
    "Usage: orv [ global_options... ] command subcommand [ subcommand_options... ] [ args... ]\n"
    "\n"
    "For details about a command and its options, try: orv command help (e.g.: orv live help)\n"
    "\n"
    "Commands:\n"
    "  help\t\tthis message\n"
    "  version\tprint the version of this package\n"
    "  system\tboot and shutdown the system\n"
    "  live\t\tstart and stop services and their dependencies\n"
    "  process\tcontrol individual long-running processes\n"
    "  set\t\tmanipulate sets of services (offline, to later install them live)\n"
    "  repository\tmanipulate the service repository itself\n"
    "\n"
    "Global options:\n"
    "  -h\t\t--help\t\t\tequivalent to \"orv help\"\n"
    "  -V\t\t--version\t\tequivalent to \"orv version\"\n"
    "\n"
    "\t\t--color=yes|no|auto\tdisplay fancy or boring-but-parsable text.\n"
    "\t\t\t\t\tauto is the default: fancy if in a terminal.\n"
    "\n"
    " These options override the values set in orvctl.conf:\n"
    "  -v V\t\t--verbosity=V\t\tverbosity (0 is terse, 1 is normal/default, more is verbose)\n"
    "  -s SCANDIR\t--scandir=SCANDIR\twhere orv-root is running\n"
    "  -l LIVEDIR\t--livedir=LIVEDIR\ttuvo live directory\n"
    "  -r REPODIR\t--repodir=REPODIR\ttuvo service set repository\n"
    "  -c BOOTDB\t--bootdb=BOOTDB\t\tlive database the system is booting on\n"
    "\t\t--stmpdir=STMPDIR\troot-only temporary directory\n"
    "\t\t--storelist=LIST\tlist of service stores\n"
    "\n";

class EntryPoint : public testing::TestWithParam<cli_row> {};

TEST_P(EntryPoint, GivesExactOutputAndExitCode) {
  cli_row const& c = GetParam();
  std::vector<std::string> argv = {orv_path()};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  std::vector<std::string> env = {"PATH=/usr/bin:/bin"};
  env.insert(env.end(), c.env.begin(), c.env.end());
  result r = run(argv, env);
  EXPECT_EQ(r.code, c.code);
  EXPECT_EQ(r.out, c.out);
  EXPECT_EQ(r.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryPoint,
    testing::Values(
        cli_row{.name = "NoArgument", .args = {}, .code = 100, .err = kUsage},
        cli_row{.name = "OptionsButNoCommand", .args = {"-v", "2"}, .code = 100, .err = kUsage},
        cli_row{.name = "VersionWinsOverHelp", .args = {"--version", "--help"}, .out = kVersion},
        cli_row{.name = "ClusteredHelpVersion", .args = {"-hV"}, .out = kVersion},
        cli_row{.name = "VersionWord", .args = {"version", "ignored"}, .out = kVersion},
        cli_row{.name = "HelpIgnoresWhatFollows", .args = {"-h", "frobnicate"}, .out = kHelp},
        cli_row{.name = "HelpLiveIsMainHelp", .args = {"help", "live"}, .out = kHelp},
        cli_row{.name = "BadVerbosityBeforeHelp",
                .args = {"--verbosity=x", "--help"},
                .code = 100,
                .err = kBadVerbosity},
        cli_row{.name = "EmptyVerbosityEnv",
                .args = {"version"},
                .env = {"verbosity="},
                .code = 100,
                .err = kBadVerbosity},
        cli_row{.name = "NegativeVerbosityEnv",
                .args = {"version"},
                .env = {"verbosity=-1"},
                .code = 100,
                .err = kBadVerbosity},
        cli_row{.name = "VerbosityOver32Bits",
                .args = {"version"},
                .env = {"verbosity=4294967296"},
                .code = 100,
                .err = kBadVerbosity},
        cli_row{.name = "VerbositySpace",
                .args = {"-v", " 1", "version"},
                .code = 100,
                .err = kBadVerbosity},
        cli_row{.name = "VerbosityMax",
                .args = {"version"},
                .env = {"verbosity=4294967295"},
                .out = kVersion},
        cli_row{.name = "VerbosityLeadingZeros",
                .args = {"version"},
                .env = {"verbosity=007"},
                .out = kVersion},
        cli_row{.name = "OptionWinsOverEnv",
                .args = {"-v", "1", "version"},
                .env = {"verbosity=x"},
                .out = kVersion},
        cli_row{.name = "ColorIsCaseSensitive",
                .args = {"--color=YES", "live"},
                .code = 100,
                .err = kBadColor},
        cli_row{
            .name = "BadColorAfterVersion", .args = {"--color=bad", "--version"}, .out = kVersion},
        cli_row{.name = "BadColorAfterHelp", .args = {"--color=bad", "-h"}, .out = kHelp},
        cli_row{.name = "GoodColorsAccepted",
                .args = {"--color=no", "--color=yes", "--color=auto", "version"},
                .out = kVersion},
        cli_row{.name = "LongValueNeedsEquals",
                .args = {"--verbosity", "3", "live"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized boolean option: --verbosity\n"},
        cli_row{.name = "UnknownLongWithValue",
                .args = {"--frob=3", "version"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized option with argument: --frob=3\n"},
        cli_row{.name = "EmptyLongName",
                .args = {"--=3"},
                .code = 100,
                .err = "orvctl: fatal: invalid option: --=3\n"},
        cli_row{.name = "UnknownShort",
                .args = {"-hx"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: x\n"},
        cli_row{.name = "UnknownCommand", .args = {"frobnicate"}, .code = 100, .err = kUsage},
        cli_row{.name = "CommandIsCaseSensitive", .args = {"Live"}, .code = 100, .err = kUsage},
        cli_row{.name = "DashIsNotACommand", .args = {"-"}, .code = 100, .err = kUsage},
        cli_row{.name = "DoubleDashThenCommand", .args = {"--", "version"}, .out = kVersion},
        cli_row{.name = "OptionWithoutValueAtEnd", .args = {"-s"}, .code = 100, .err = kUsage},
        cli_row{.name = "GroupWithoutSubcommand", .args = {"live"}, .code = 100, .err = kLiveUsage},
        cli_row{.name = "GroupUnknownSubcommand",
                .args = {"live", "frob"},
                .code = 100,
                .err = kLiveUsage},
        cli_row{.name = "GroupRejectsOptions",
                .args = {"live", "-x"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized short option: x\n"},
        cli_row{.name = "GroupRejectsLongOptions",
                .args = {"live", "--frob", "start"},
                .code = 100,
                .err = "orvctl: fatal: unrecognized boolean option: --frob\n"},
        cli_row{
            .name = "GroupDoubleDashOnly", .args = {"live", "--"}, .code = 100, .err = kLiveUsage}),
    [](testing::TestParamInfo<cli_row> const& i) { return std::string(i.param.name); });

TEST(EntryPoint, HelpTextIsExact) {
  ASSERT_EQ(std::count(kHelp.begin(), kHelp.end(), '\n'), 29);
  for (char const* word : {"help", "--help", "-h"}) {
    result r = run({orv_path(), word}, {});
    EXPECT_EQ(r.code, 0) << word;
    EXPECT_EQ(r.out, kHelp) << word;
    EXPECT_EQ(r.err, "") << word;
  }
}

TEST(EntryPoint, StdoutUnwritableGivesExit111) {
  struct {
    char const* word;
    out_mode mode;
    char const* error;
  } const cases[] = {
      {"help", out_mode::closed, "Bad file descriptor"},
      {"version", out_mode::closed, "Bad file descriptor"},
      {"help", out_mode::devfull, "No space left on device"},
      {"version", out_mode::devfull, "No space left on device"},
  };
  for (auto const& c : cases) {
    run_opts o;
    o.stdout_mode = c.mode;
    result r = run({orv_path(), c.word}, {}, o);
    EXPECT_EQ(r.code, 111) << c.word;
    EXPECT_EQ(r.err, std::string("orvctl: fatal: unable to write to stdout: ") + c.error + "\n")
        << c.word;
  }
}

TEST(EntryPoint, NeedsOnlyTheCLibrary) {
  if (ORV_SANITIZED) GTEST_SKIP() << "sanitizer runtimes bring their own libraries";
  for (char const* prog : {"orv", "orvctl-helper-echo", "orvctl-helper-kill"}) {
    if (!file_exists(bin_path(prog))) continue;
    result r = run({"/usr/bin/ldd", bin_path(prog)}, {"PATH=/usr/bin:/bin"});
    if (ORV_STATIC_PROGRAMS) {
      EXPECT_NE((r.out + r.err).find("not a dynamic executable"), std::string::npos) << prog;
      continue;
    }
    ASSERT_EQ(r.code, 0) << prog << r.err;
    EXPECT_EQ(r.out.find("libstdc++"), std::string::npos) << prog << "\n" << r.out;
    EXPECT_EQ(r.out.find("libgcc_s"), std::string::npos) << prog << "\n" << r.out;
  }
}

}  // namespace
