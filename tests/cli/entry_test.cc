// The entry point as a user meets it: global options, environment, command
// words, help and version, every diagnostic line and exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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
std::string const kHelpStart =
    "Usage: orv [ global_options... ] command subcommand [ subcommand_options... ] [ args... ]\n";

struct entry_case {
  char const* name;
  std::vector<std::string> args;  // after "orv"
  std::vector<std::string> env;   // added to a PATH-only environment
  int code;
  std::string out;  // "HELP" stands for the main help text
  std::string err;
};

void PrintTo(entry_case const& c, std::ostream* os) {
  *os << c.name;
}

std::string help_text() {
  return run({orv_path(), "help"}, {"PATH=/usr/bin:/bin"}).out;
}

class EntryPoint : public testing::TestWithParam<entry_case> {};

TEST_P(EntryPoint, GivesExactOutputAndExitCode) {
  entry_case const& c = GetParam();
  std::vector<std::string> argv = {orv_path()};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  std::vector<std::string> env = {"PATH=/usr/bin:/bin"};
  env.insert(env.end(), c.env.begin(), c.env.end());
  result r = run(argv, env);
  EXPECT_EQ(r.code, c.code);
  EXPECT_EQ(r.out, c.out == "HELP" ? help_text() : c.out);
  EXPECT_EQ(r.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryPoint,
    testing::Values(
        entry_case{"NoArgument", {}, {}, 100, "", kUsage},
        entry_case{"OptionsButNoCommand", {"-v", "2"}, {}, 100, "", kUsage},
        entry_case{"VersionWinsOverHelp", {"--version", "--help"}, {}, 0, kVersion, ""},
        entry_case{"ClusteredHelpVersion", {"-hV"}, {}, 0, kVersion, ""},
        entry_case{"VersionWord", {"version", "ignored"}, {}, 0, kVersion, ""},
        entry_case{"HelpIgnoresWhatFollows", {"-h", "frobnicate"}, {}, 0, "HELP", ""},
        entry_case{"HelpLiveIsMainHelp", {"help", "live"}, {}, 0, "HELP", ""},
        entry_case{
            "BadVerbosityBeforeHelp", {"--verbosity=x", "--help"}, {}, 100, "", kBadVerbosity},
        entry_case{"EmptyVerbosityEnv", {"version"}, {"verbosity="}, 100, "", kBadVerbosity},
        entry_case{"NegativeVerbosityEnv", {"version"}, {"verbosity=-1"}, 100, "", kBadVerbosity},
        entry_case{
            "VerbosityOver32Bits", {"version"}, {"verbosity=4294967296"}, 100, "", kBadVerbosity},
        entry_case{"VerbositySpace", {"-v", " 1", "version"}, {}, 100, "", kBadVerbosity},
        entry_case{"VerbosityMax", {"version"}, {"verbosity=4294967295"}, 0, kVersion, ""},
        entry_case{"VerbosityLeadingZeros", {"version"}, {"verbosity=007"}, 0, kVersion, ""},
        entry_case{"OptionWinsOverEnv", {"-v", "1", "version"}, {"verbosity=x"}, 0, kVersion, ""},
        entry_case{"ColorIsCaseSensitive", {"--color=YES", "live"}, {}, 100, "", kBadColor},
        entry_case{"BadColorAfterVersion", {"--color=bad", "--version"}, {}, 0, kVersion, ""},
        entry_case{"BadColorAfterHelp", {"--color=bad", "-h"}, {}, 0, "HELP", ""},
        entry_case{"GoodColorsAccepted",
                   {"--color=no", "--color=yes", "--color=auto", "version"},
                   {},
                   0,
                   kVersion,
                   ""},
        entry_case{"LongValueNeedsEquals",
                   {"--verbosity", "3", "live"},
                   {},
                   100,
                   "",
                   "orvctl: fatal: unrecognized boolean option: --verbosity\n"},
        entry_case{"UnknownLongWithValue",
                   {"--frob=3", "version"},
                   {},
                   100,
                   "",
                   "orvctl: fatal: unrecognized option with argument: --frob=3\n"},
        entry_case{"EmptyLongName", {"--=3"}, {}, 100, "", "orvctl: fatal: invalid option: --=3\n"},
        entry_case{
            "UnknownShort", {"-hx"}, {}, 100, "", "orvctl: fatal: unrecognized short option: x\n"},
        entry_case{"UnknownCommand", {"frobnicate"}, {}, 100, "", kUsage},
        entry_case{"CommandIsCaseSensitive", {"Live"}, {}, 100, "", kUsage},
        entry_case{"DashIsNotACommand", {"-"}, {}, 100, "", kUsage},
        entry_case{"DoubleDashThenCommand", {"--", "version"}, {}, 0, kVersion, ""},
        entry_case{"OptionWithoutValueAtEnd", {"-s"}, {}, 100, "", kUsage},
        entry_case{"GroupWithoutSubcommand", {"live"}, {}, 100, "", kLiveUsage},
        entry_case{"GroupUnknownSubcommand", {"live", "frob"}, {}, 100, "", kLiveUsage},
        entry_case{"GroupRejectsOptions",
                   {"live", "-x"},
                   {},
                   100,
                   "",
                   "orvctl: fatal: unrecognized short option: x\n"},
        entry_case{"GroupRejectsLongOptions",
                   {"live", "--frob", "start"},
                   {},
                   100,
                   "",
                   "orvctl: fatal: unrecognized boolean option: --frob\n"},
        entry_case{"GroupDoubleDashOnly", {"live", "--"}, {}, 100, "", kLiveUsage}),
    [](testing::TestParamInfo<entry_case> const& i) { return std::string(i.param.name); });

TEST(EntryPoint, HelpTextHasItsShape) {
  result r = run({orv_path(), "--help"}, {});
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind(kHelpStart, 0), 0u);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 29);
  EXPECT_NE(r.out.find("\n  -V\t\t--version\t\tequivalent to \"orv version\"\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\n\t\t--storelist=LIST\tlist of service stores\n\n"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "\n\n");
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
