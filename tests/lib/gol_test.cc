#include "lib/gol.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/strerr.h"
#include "support/child.h"

namespace {

constexpr uint64_t DRY = 1, LOGS = 2, TERSE = 4, BOTH = 8;

gol_bool const rgolb[] = {
    {DRY, 0, "dry-run", 'n'}, {LOGS, 0, "with-logs", 'l'}, {0, LOGS, "without-logs", '\0'},
    {TERSE, 0, "terse", 't'}, {BOTH, BOTH, "both", 'b'},
};
gol_arg const rgola[] = {
    {"timeout", 0, 't'},
    {"name", 1, '\0'},
};

struct gol_case {
  std::vector<char const*> argv;
  int ret;              // gol's result
  uint64_t flags;       // starting from 0
  char const* timeout;  // slot 0, starting null
  char const* name;     // slot 1, starting null
  int detail = 12345;   // untouched on success
};

std::string show(char const* s) {
  return s ? '"' + std::string(s) + '"' : "null";
}

TEST(Gol, TableOfCases) {
  gol_case const cases[] = {
      {{"-nt500", "svc"}, 1, DRY, "500", nullptr},
      {{"-tn", "svc"}, 1, 0, "n", nullptr},
      {{"-t"}, 1, 0, nullptr, nullptr},
      {{"-t", "--", "svc"}, 2, 0, nullptr, nullptr},
      {{"-t", "-5", "svc"}, 2, 0, "-5", nullptr},
      {{"-t", "-"}, 2, 0, "-", nullptr},
      {{"--timeout=", "x"}, 1, 0, "", nullptr},
      {{"--timeout=1", "-t2", "--name=a=b"}, 3, 0, "2", "a=b"},
      {{"-"}, 0, 0, nullptr, nullptr},
      {{"--"}, 1, 0, nullptr, nullptr},
      {{"--", "-n"}, 1, 0, nullptr, nullptr},
      {{"", "-n"}, 0, 0, nullptr, nullptr},
      {{"svc", "-n"}, 0, 0, nullptr, nullptr},
      {{}, 0, 0, nullptr, nullptr},
      {{"-n", "--with-logs", "--without-logs", "-l", "x"}, 4, DRY | LOGS, nullptr, nullptr},
      {{"-ll", "--without-logs"}, 2, 0, nullptr, nullptr},
      {{"-b"}, 1, BOTH, nullptr, nullptr},
      // Failures: complement of the offending index; what came before stays applied.
      {{"--timeout", "500"}, ~0, 0, nullptr, nullptr, -1},
      {{"--dry-run=1"}, ~0, 0, nullptr, nullptr, -9},
      {{"-t1", "--frob=3"}, ~1, 0, "1", nullptr, -6},
      {{"--=3"}, ~0, 0, nullptr, nullptr, 0},
      {{"-n", "-lnx"}, ~1, DRY | LOGS, nullptr, nullptr, 3},
      {{"--Dry-run"}, ~0, 0, nullptr, nullptr, -1},
      {{"--dry"}, ~0, 0, nullptr, nullptr, -1},
      {{"-N", "v"}, ~0, 0, nullptr, nullptr, 1},
  };
  for (auto const& c : cases) {
    std::vector<char const*> argv = c.argv;
    std::string label;
    for (auto a : argv) label += show(a) + " ";
    SCOPED_TRACE(label);
    argv.push_back(nullptr);
    uint64_t flags = 0;
    char const* results[2] = {nullptr, nullptr};
    int detail = 12345;
    EXPECT_EQ(gol(argv.data(), rgolb, 5, rgola, 2, &flags, results, &detail), c.ret);
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(show(results[0]), show(c.timeout));
    EXPECT_EQ(show(results[1]), show(c.name));
    EXPECT_EQ(detail, c.detail);
  }
}

TEST(Gol, ValuesPointIntoArgv) {
  char const* argv[] = {"-tabc", "--name=x", nullptr};
  char const* results[2] = {};
  int detail = 0;
  ASSERT_EQ(gol(argv, nullptr, 0, rgola, 2, nullptr, results, &detail), 2);
  EXPECT_EQ(results[0], argv[0] + 2);
  EXPECT_EQ(results[1], argv[1] + 7);
}

TEST(Gol, EmptyTablesRejectEveryOption) {
  struct {
    char const* arg;
    int detail;
  } const cases[] = {{"-x", 1}, {"--x", -1}, {"--x=1", -3}, {"--=", 0}};
  for (auto const& c : cases) {
    char const* argv[] = {"-", c.arg, nullptr};
    char const* argv2[] = {c.arg, nullptr};
    int detail = 99;
    EXPECT_EQ(gol(argv, nullptr, 0, nullptr, 0, nullptr, nullptr, &detail), 0);
    EXPECT_EQ(gol(argv2, nullptr, 0, nullptr, 0, nullptr, nullptr, &detail), ~0) << c.arg;
    EXPECT_EQ(detail, c.detail) << c.arg;
  }
}

// Runs f in a child as "orvctl"; code 222 means f returned.
orvtest::child_result in_child(std::function<void()> const& f) {
  return orvtest::in_child(f, {.prog = "orvctl"});
}

TEST(GolArgv, OptionErrorsDieWithTheirDiagnostic) {
  struct {
    std::vector<char const*> argv;
    char const* err;
  } const cases[] = {
      {{"-nx", "svc"}, "orvctl: fatal: unrecognized short option: x\n"},
      {{"-n", "--frob"}, "orvctl: fatal: unrecognized boolean option: --frob\n"},
      {{"--=3"}, "orvctl: fatal: invalid option: --=3\n"},
      {{"--frob=3"}, "orvctl: fatal: unrecognized option with argument: --frob=3\n"},
      {{"--timeout", "5"}, "orvctl: fatal: unrecognized boolean option: --timeout\n"},
  };
  for (auto const& c : cases) {
    auto argv = c.argv;
    argv.push_back(nullptr);
    auto r = in_child([&] {
      uint64_t flags = 0;
      char const* results[2] = {};
      gol_argv(argv.data(), rgolb, 5, rgola, 2, &flags, results);
    });
    EXPECT_EQ(r.code, 100) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(GolArgv, SuccessReturnsTheIndex) {
  char const* argv[] = {"-n", "--timeout=3", "svc", nullptr};
  uint64_t flags = 0;
  char const* results[2] = {};
  EXPECT_EQ(gol_argv(argv, rgolb, 5, rgola, 2, &flags, results), 2u);
  EXPECT_EQ(flags, DRY);
  EXPECT_STREQ(results[0], "3");
}

TEST(GolMain, CountsInTheFullArgv) {
  char const* only[] = {"prog", nullptr};
  char const* opts[] = {"prog", "-n", "a", nullptr};
  char const* dashes[] = {"prog", "--", nullptr};
  uint64_t flags = 0;
  EXPECT_EQ(gol_main(1, only, rgolb, 5, nullptr, 0, &flags, nullptr), 1u);
  EXPECT_EQ(gol_main(3, opts, rgolb, 5, nullptr, 0, &flags, nullptr), 2u);
  EXPECT_EQ(flags, DRY);
  EXPECT_EQ(gol_main(2, dashes, rgolb, 5, nullptr, 0, &flags, nullptr), 2u);
}

TEST(GolMain, InconsistentArgcDies103) {
  char const* argv[] = {"prog", "a", nullptr};
  for (int argc : {0, 1, -1}) {
    auto r = in_child([&] { gol_main(argc, argv, nullptr, 0, nullptr, 0, nullptr, nullptr); });
    EXPECT_EQ(r.code, 103) << argc;
    EXPECT_EQ(r.err, "orvctl: fatal: unable to gol: invalid argc/argv\n");
  }
  auto r = in_child([&] { gol_main(1, argv, rgolb, 5, nullptr, 0, nullptr, nullptr); });
  EXPECT_EQ(r.code, 103);
}

TEST(GolMain, OptionErrorsDie100) {
  char const* argv[] = {"prog", "-q", nullptr};
  auto r = in_child([&] { gol_main(2, argv, rgolb, 5, nullptr, 0, nullptr, nullptr); });
  EXPECT_EQ(r.code, 100);
  EXPECT_EQ(r.err, "orvctl: fatal: unrecognized short option: q\n");
}

TEST(Stringkey, SearchesSortedTables) {
  struct row {
    char const* name;
    int v;
  };
  row const table[] = {{"Live", 1}, {"help", 2}, {"live", 3}, {"set", 4}};
  auto find = [&](char const* k, auto cmp) {
    auto const* r = static_cast<row const*>(bsearch(k, table, 4, sizeof(row), cmp));
    return r ? r->v : 0;
  };
  EXPECT_EQ(find("live", stringkey_bcmp), 3);
  EXPECT_EQ(find("Live", stringkey_bcmp), 1);
  EXPECT_EQ(find("set", stringkey_bcmp), 4);
  EXPECT_EQ(find("lives", stringkey_bcmp), 0);
  EXPECT_EQ(find("", stringkey_bcmp), 0);
  row const folded[] = {{"ABRT", 6}, {"hup", 1}, {"KILL", 9}};
  auto const* r =
      static_cast<row const*>(bsearch("Kill", folded, 3, sizeof(row), stringkey_bcasecmp));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->v, 9);
  EXPECT_EQ(bsearch("KIL", folded, 3, sizeof(row), stringkey_bcasecmp), nullptr);
}

}  // namespace
