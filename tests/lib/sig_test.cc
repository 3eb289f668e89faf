#include "lib/sig.h"

#include <signal.h>
#include <strings.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run.h"

namespace {

// The table is checked against the platform's own account of its signals,
// the shell's kill -l, rather than against a copy of itself: the table as the
// programs under test have it, built for their C library (musl in a musl
// build), which prints it through the C library driver.
TEST(Sig, TableHasThePlatformNumbers) {
  ASSERT_EQ(sig_table_len, 27u);
  orvtest::result t = orvtest::run({orvtest::bin_path("orv_libc_driver"), "signals"}, {});
  ASSERT_EQ(t.code, 0) << t.err;
  std::vector<std::string> rows;  // "NAME NUMBER"
  for (size_t i = 0, j; (j = t.out.find('\n', i)) != std::string::npos; i = j + 1)
    rows.push_back(t.out.substr(i, j - i));
  ASSERT_EQ(rows.size(), sig_table_len) << t.out;
  std::string script = "for n in";
  for (std::string const& row : rows) script += " " + row.substr(row.find(' ') + 1);
  script += "; do kill -l \"$n\" || exit 1; done";
  orvtest::result r = orvtest::run({"/bin/sh", "-c", script}, {"PATH=/usr/bin:/bin"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> names;
  for (size_t i = 0, j; (j = r.out.find('\n', i)) != std::string::npos; i = j + 1)
    names.push_back(r.out.substr(i, j - i));
  ASSERT_EQ(names.size(), sig_table_len) << r.out;
  std::set<std::string> numbers;
  for (size_t k = 0; k < sig_table_len; k++) {
    std::string const name = rows[k].substr(0, rows[k].find(' '));
    EXPECT_EQ(name, names[k]) << rows[k];
    EXPECT_EQ(name, sig_table[k].name);
    EXPECT_TRUE(numbers.insert(rows[k].substr(name.size() + 1)).second) << rows[k];
  }
  for (size_t k = 0; k < sig_table_len; k++) {
    EXPECT_EQ(sig_number(sig_table[k].name), sig_table[k].number) << sig_table[k].name;
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
