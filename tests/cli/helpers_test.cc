// The two helper programs, run as built: exact bytes out, the diagnostic line,
// the exit code; the kill helper against real processes.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/run.h"
#include "support/sleepers.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORV_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_TEST_SANITIZED 1
#endif
#endif

namespace {

using orvtest::out_mode;
using orvtest::result;
using strings = std::vector<std::string>;

std::string const echo_usage_prefix = "orvctl-helper-echo: fatal: ";
std::string const kill_usage = "orvctl-helper-kill: usage: orvctl-helper-kill signal pid...\n";
std::string const kill_bad_pid = "orvctl-helper-kill: fatal: pids must be numerical\n";

result run_helper(char const* name, strings const& args, out_mode mode = out_mode::pipe) {
  strings argv = {orvtest::bin_path(name)};
  argv.insert(argv.end(), args.begin(), args.end());
  orvtest::run_opts opts;
  opts.stdout_mode = mode;
  return orvtest::run(argv, {}, opts);
}

result echo(strings const& args, out_mode mode = out_mode::pipe) {
  return run_helper("orvctl-helper-echo", args, mode);
}

result killh(strings const& args) {
  return run_helper("orvctl-helper-kill", args);
}

// ---- echo ----

struct echo_case {
  char const* name;
  strings args;
  std::string out;
  std::string err;
  int code;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(echo_case const& c, std::ostream* os) {
  *os << c.name;
}

class EchoHelper : public testing::TestWithParam<echo_case> {};

TEST_P(EchoHelper, PrintsExactBytes) {
  auto const& c = GetParam();
  result r = echo(c.args);
  EXPECT_EQ(r.out, c.out);
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(r.code, c.code);
}

std::string const long_word(700, 'w');

INSTANTIATE_TEST_SUITE_P(
    Cases, EchoHelper,
    testing::Values(
        echo_case{"WordsJoinedBySpace", {"a", "b", "c"}, "a b c\n", "", 0},
        echo_case{"ChompDropsNewline", {"-n", "a", "b", "c"}, "a b c", "", 0},
        echo_case{"ChompLongName", {"--chomp", "a"}, "a", "", 0},
        echo_case{"CommaSeparator", {"-s", ",", "a", "b"}, "a,b\n", "", 0},
        echo_case{"GluedSeparator", {"-s,", "a", "b"}, "a,b\n", "", 0},
        echo_case{"OnlyFirstSeparatorByte", {"--separator=:;", "a", "b"}, "a:b\n", "", 0},
        echo_case{"EmptySeparatorIsNul",
                  {"--separator=", "a", "b", "c"},
                  std::string("a\0b\0c\n", 6),
                  "",
                  0},
        echo_case{"SeparatorTakesNextArgWhatever", {"-s", "-n", "a", "b"}, "a-b\n", "", 0},
        echo_case{"SeparatorAfterChompInCluster", {"-ns", "+", "a", "b"}, "a+b", "", 0},
        echo_case{"DashWordAfterDoubleDash", {"-n", "--", "-x"}, "-x", "", 0},
        echo_case{"NoWords", {}, "\n", "", 0}, echo_case{"NoWordsChomp", {"-n"}, "", "", 0},
        echo_case{"LoneDashIsAWord", {"-", "a"}, "- a\n", "", 0},
        echo_case{"NoOptionAfterFirstWord", {"a", "-n", "\\t"}, "a -n \\t\n", "", 0},
        echo_case{"EmptyWords", {"", "", ""}, "  \n", "", 0},
        echo_case{"OutputLargerThanRing",
                  {"-s", "|", long_word, long_word},
                  long_word + "|" + long_word + "\n",
                  "",
                  0},
        echo_case{"UnknownShortOption",
                  {"-x", "a"},
                  "",
                  echo_usage_prefix + "unrecognized short option: x\n",
                  100},
        echo_case{"UnknownLetterInCluster",
                  {"-nq", "a"},
                  "",
                  echo_usage_prefix + "unrecognized short option: q\n",
                  100},
        echo_case{"UnknownLongOption",
                  {"--frob", "a"},
                  "",
                  echo_usage_prefix + "unrecognized boolean option: --frob\n",
                  100},
        echo_case{"SeparatorAsTwoArgs",
                  {"--separator", ",", "a"},
                  "",
                  echo_usage_prefix + "unrecognized boolean option: --separator\n",
                  100},
        echo_case{"ChompWithValue",
                  {"--chomp=1", "a"},
                  "",
                  echo_usage_prefix + "unrecognized option with argument: --chomp=1\n",
                  100}),
    [](auto const& info) { return std::string(info.param.name); });

struct write_failure_case {
  char const* name;
  out_mode mode;
  strings args;
  int err;
};

void PrintTo(write_failure_case const& c, std::ostream* os) {
  *os << c.name;
}

class EchoWriteFailure : public testing::TestWithParam<write_failure_case> {};

TEST_P(EchoWriteFailure, ExitsSystemWithOneLine) {
  auto const& c = GetParam();
  result r = echo(c.args, c.mode);
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(r.err, std::string("orvctl-helper-echo: fatal: unable to write to stdout: ") +
                       orvtest::program_strerror(c.err) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EchoWriteFailure,
    testing::Values(write_failure_case{"StdoutClosed", out_mode::closed, {"a", "b"}, EBADF},
                    write_failure_case{"StdoutClosedNewlineOnly", out_mode::closed, {}, EBADF},
                    write_failure_case{"DevFull", out_mode::devfull, {"a"}, ENOSPC},
                    // Fails while the ring fills, before the final flush.
                    write_failure_case{"DevFullLong", out_mode::devfull, {long_word}, ENOSPC}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(EchoHelperNothingToWrite, ClosedStdoutIsFineWhenNothingIsWritten) {
  result r = echo({"-n"}, out_mode::closed);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
}

// ---- kill: invocations that touch no process ----

struct kill_case {
  char const* name;
  strings args;
  std::string err;
  int code;
};

void PrintTo(kill_case const& c, std::ostream* os) {
  *os << c.name;
}

class KillHelperInvocation : public testing::TestWithParam<kill_case> {};

TEST_P(KillHelperInvocation, ExitsWithCodeAndLine) {
  auto const& c = GetParam();
  result r = killh(c.args);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(r.code, c.code);
}

// pid 2147483647 lies beyond any pid the system hands out; signal 0 only probes.
INSTANTIATE_TEST_SUITE_P(
    Cases, KillHelperInvocation,
    testing::Values(kill_case{"NoArgument", {}, kill_usage, 100},
                    kill_case{"SignalName", {"TERM", "123"}, kill_usage, 100},
                    kill_case{"SignalWithSig", {"SIGTERM", "123"}, kill_usage, 100},
                    kill_case{"NegativeSignal", {"-9", "123"}, kill_usage, 100},
                    kill_case{"PlusSignal", {"+15", "123"}, kill_usage, 100},
                    kill_case{"EmptySignal", {"", "123"}, kill_usage, 100},
                    kill_case{"SignalTrailingJunk", {"15x", "123"}, kill_usage, 100},
                    kill_case{"SignalAbove32Bits", {"4294967296", "123"}, kill_usage, 100},
                    kill_case{"SignalOnly", {"15"}, "", 0},
                    kill_case{"LargestSignalOnly", {"4294967295"}, "", 0},
                    kill_case{"MissingProcess", {"15", "2147483647"}, "", 0},
                    kill_case{"LowestPid", {"0", "-2147483648"}, "", 0},
                    kill_case{"PidAboveRange", {"0", "2147483648"}, kill_bad_pid, 100},
                    kill_case{"PidBelowRange", {"0", "-2147483649"}, kill_bad_pid, 100},
                    kill_case{"LoneMinus", {"0", "-"}, kill_bad_pid, 100},
                    kill_case{"LonePlus", {"0", "+"}, kill_bad_pid, 100},
                    kill_case{"EmptyPid", {"0", ""}, kill_bad_pid, 100},
                    kill_case{"PidTrailingJunk", {"0", "12a"}, kill_bad_pid, 100},
                    kill_case{"PidLeadingBlank", {"0", " 12"}, kill_bad_pid, 100}),
    [](auto const& info) { return std::string(info.param.name); });

// ---- kill: real processes ----

class KillHelperSignals : public testing::Test {
 protected:
  pid_t start_sleep(bool own_group = false) { return procs.start(own_group); }
  int ended_by(pid_t p) { return procs.ended_by(p); }
  bool still_running(pid_t p) { return procs.still_running(p); }

  static std::string num(long n) { return std::to_string(n); }

 private:
  orvtest::sleepers procs;
};

TEST_F(KillHelperSignals, SignalsExactlyTheListedPids) {
  pid_t a = start_sleep(), b = start_sleep(), c = start_sleep();
  result r = killh({"15", num(a), num(c)});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(ended_by(a), SIGTERM);
  EXPECT_EQ(ended_by(c), SIGTERM);
  EXPECT_TRUE(still_running(b));
}

TEST_F(KillHelperSignals, FailedDeliveryDoesNotStopTheRest) {
  pid_t a = start_sleep();
  result r = killh({"9", "2147483647", num(a)});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ended_by(a), SIGKILL);
}

TEST_F(KillHelperSignals, SignedAndZeroPaddedPids) {
  pid_t a = start_sleep(), b = start_sleep();
  result r = killh({"15", "+" + num(a), "00" + num(b)});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(ended_by(a), SIGTERM);
  EXPECT_EQ(ended_by(b), SIGTERM);
}

TEST_F(KillHelperSignals, NegativePidAddressesProcessGroup) {
  pid_t g = start_sleep(true);
  result r = killh({"15", "-" + num(g)});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(ended_by(g), SIGTERM);
}

TEST_F(KillHelperSignals, ProbeAndUnknownSignalLeaveProcessAlone) {
  pid_t a = start_sleep();
  for (char const* sig : {"0", "4294967295", "2147483648"}) {
    result r = killh({sig, num(a)});
    EXPECT_EQ(r.code, 0) << sig;
    EXPECT_EQ(r.err, "") << sig;
  }
  EXPECT_TRUE(still_running(a));
}

TEST_F(KillHelperSignals, BadPidAnywhereSendsNothing) {
  pid_t a = start_sleep(), b = start_sleep();
  for (strings const& pids : {strings{num(a), num(b), "abc"}, strings{"abc", num(a), num(b)},
                              strings{num(a), "2147483648", num(b)}, strings{num(a), "-"}}) {
    strings args = {"9"};
    args.insert(args.end(), pids.begin(), pids.end());
    result r = killh(args);
    EXPECT_EQ(r.code, 100) << testing::PrintToString(pids);
    EXPECT_EQ(r.err, kill_bad_pid) << testing::PrintToString(pids);
  }
  EXPECT_TRUE(still_running(a));
  EXPECT_TRUE(still_running(b));
}

// The pid list is on the heap for long lists: when the heap refuses, one
// diagnostic and 111. An address-space limit that lets the program start but
// not allocate the list shows it; the limit is found by stepping upwards.
TEST(KillHelperMemory, RefusedPidStorageIsFatal) {
#ifdef ORV_TEST_SANITIZED
  GTEST_SKIP() << "address-space limits do not work under the sanitizers";
#else
  std::string path = orvtest::bin_path("orvctl-helper-kill");
  // 100000 probes of the caller's own process group: harmless if sent.
  std::vector<char const*> argv = {path.c_str(), "0"};
  for (int i = 0; i < 100000; i++) argv.push_back("0");
  argv.push_back(nullptr);
  char const* envp[] = {nullptr};
  orvtest::tempdir dir;
  std::string errfile = dir / "err";

  bool saw_refusal = false;
  for (rlim_t limit = 1 << 20; limit < rlim_t(512) << 20; limit += 64 << 10) {
    pid_t p = fork();
    ASSERT_GE(p, 0);
    if (p == 0) {
      int fd = open(errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 2);
      rlimit rl = {limit, limit};
      setrlimit(RLIMIT_AS, &rl);
      execve(argv[0], const_cast<char* const*>(argv.data()), const_cast<char* const*>(envp));
      _exit(126);
    }
    int st;
    waitpid(p, &st, 0);
    if (!WIFEXITED(st)) continue;
    int code = WEXITSTATUS(st);
    if (code == 111) {
      EXPECT_EQ(orvtest::read_file(errfile),
                std::string("orvctl-helper-kill: fatal: unable to allocate pid list: ") +
                    orvtest::program_strerror(ENOMEM) + "\n");
      saw_refusal = true;
    }
    if (code == 0) break;
  }
  EXPECT_TRUE(saw_refusal);
#endif
}

// ---- both: what they need at run time ----

TEST(HelpersLinkage, NeedOnlyTheCLibrary) {
  for (char const* name : {"orvctl-helper-echo", "orvctl-helper-kill"}) {
    std::string cmd = "ldd " + orvtest::bin_path(name) + " 2>&1";
    FILE* f = popen(cmd.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::string out;
    char buf[4096];
    for (size_t k; (k = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, k);
    pclose(f);
    if (out.find("asan") != std::string::npos) GTEST_SKIP() << "sanitizer build";
    if (ORV_STATIC_PROGRAMS) {
      EXPECT_NE(out.find("not a dynamic executable"), std::string::npos) << name << ":\n" << out;
      continue;
    }
    EXPECT_NE(out.find("libc."), std::string::npos) << name << ":\n" << out;
    EXPECT_EQ(out.find("libstdc++"), std::string::npos) << name << ":\n" << out;
    EXPECT_EQ(out.find("libgcc_s"), std::string::npos) << name << ":\n" << out;
    EXPECT_EQ(out.find("libm."), std::string::npos) << name << ":\n" << out;
  }
}

}  // namespace
