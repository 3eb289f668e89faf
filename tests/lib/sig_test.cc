#include "lib/sig.h"

#include <signal.h>
#include <strings.h>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

TEST(Sig, TableHasThePlatformNumbers) {
  ASSERT_EQ(sig_table_len, 27u);
  struct {
    char const* name;
    int number;
  } const want[] = {
      {"ABRT", SIGABRT},     {"ALRM", SIGALRM}, {"BUS", SIGBUS},   {"CHLD", SIGCHLD},
      {"CONT", SIGCONT},     {"FPE", SIGFPE},   {"HUP", SIGHUP},   {"ILL", SIGILL},
      {"INT", SIGINT},       {"KILL", SIGKILL}, {"PIPE", SIGPIPE}, {"PROF", SIGPROF},
      {"QUIT", SIGQUIT},     {"SEGV", SIGSEGV}, {"STOP", SIGSTOP}, {"SYS", SIGSYS},
      {"TERM", SIGTERM},     {"TRAP", SIGTRAP}, {"TSTP", SIGTSTP}, {"TTIN", SIGTTIN},
      {"TTOU", SIGTTOU},     {"URG", SIGURG},   {"USR1", SIGUSR1}, {"USR2", SIGUSR2},
      {"VTALRM", SIGVTALRM}, {"XCPU", SIGXCPU}, {"XFSZ", SIGXFSZ},
  };
  for (size_t k = 0; k < 27; k++) {
    EXPECT_STREQ(sig_table[k].name, want[k].name);
    EXPECT_EQ(sig_table[k].number, want[k].number);
    EXPECT_EQ(sig_number(want[k].name), want[k].number) << want[k].name;
    if (k) {
      EXPECT_LT(strcasecmp(sig_table[k - 1].name, sig_table[k].name), 0);
    }
  }
}

TEST(Sig, NumberIsCaseInsensitiveAndWhole) {
  struct {
    char const* name;
    int number;
  } const cases[] = {
      {"term", SIGTERM}, {"Usr1", SIGUSR1}, {"vtalrm", SIGVTALRM}, {"SIGTERM", 0}, {"TER", 0},
      {"TERM ", 0},      {"", 0},           {"WINCH", 0},          {"IO", 0},      {"15", 0},
  };
  for (auto const& c : cases) EXPECT_EQ(sig_number(c.name), c.number) << c.name;
}

TEST(Sig, ScanNamesNumbersAndPrefix) {
  struct {
    char const* s;
    size_t n;
    int sig;  // 777 when nothing is stored
  } const cases[] = {
      {"TERM", 4, SIGTERM},
      {"term", 4, SIGTERM},
      {"SIGTERM", 7, SIGTERM},
      {"sigTerm", 7, SIGTERM},
      {"sigkill", 7, SIGKILL},
      {"15", 2, 15},
      {"SIG15", 5, 15},
      {"0", 1, 0},
      {"SIG0", 4, 0},
      {"64", 2, 64},
      {"4294967295", 10, -1},
      {"SIG", 0, 777},
      {"", 0, 777},
      {"TERM ", 0, 777},
      {"+15", 0, 777},
      {"-15", 0, 777},
      {"SIGSIGKILL", 0, 777},
      {"4294967296", 0, 777},
      {"WINCH", 0, 777},
      {"15x", 0, 777},
  };
  for (auto const& c : cases) {
    int sig = 777;
    EXPECT_EQ(sig0_scan(c.s, &sig), c.n) << c.s;
    EXPECT_EQ(sig, c.sig) << c.s;
  }
}

}  // namespace
