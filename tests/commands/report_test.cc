// The state-change report, called directly in a forked child so that its
// exits and its standard output can be observed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "commands/live.h"
#include "lib/strerr.h"
#include "support/bigendian.h"
#include "support/child.h"
#include "support/names.h"
#include "support/run.h"

namespace {

using orvtest::be32_words;

std::string const head = "tuvo-db: start\n", tail = "\ntuvo-db: end\n";

// A compiled folder with the given longruns, then command services with two
// empty vectors each. Returns the "db" bytes it wrote.
std::string write_db(std::string const& dir, std::vector<std::string> const& longruns,
                     std::vector<std::string> const& commands) {
  mkdir(dir.c_str(), 0755);
  std::string strings, records;
  auto name = [&](std::string const& n) {
    uint32_t off = static_cast<uint32_t>(strings.size());
    strings += n + '\0';
    return off;
  };
  for (auto const& n : longruns)
    records += be32_words({name(n), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + "\xfe";
  for (auto const& n : commands)
    records += be32_words({name(n), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + "\xfe";
  uint32_t const nc = static_cast<uint32_t>(commands.size());
  write_file(dir + "/n", be32_words({nc, static_cast<uint32_t>(longruns.size()),
                                     static_cast<uint32_t>(strings.size()), 2 * nc, 0, 0}));
  std::string db = head + strings + records + tail;
  write_file(dir + "/db", db);
  return db;
}

using outcome = orvtest::child_result;

enum class stdout_is { file, closed };

// Runs fn in a child as "orvctl"; returning from it is exit code 0.
outcome in_child(std::function<void()> const& fn, stdout_is mode = stdout_is::file) {
  return orvtest::in_child(
      fn, {.prog = "orvctl", .stdout_closed = mode == stdout_is::closed, .returned_code = 0});
}

std::string const kUnchanged = "orvctl: info: the global state has not changed.\n";

outcome report(std::string const& before, std::string const& after, std::string const& compiled,
               int up, stdout_is mode = stdout_is::file) {
  return in_child(
      [&] {
        kx_report_state_change(static_cast<uint32_t>(before.size()), before.data(), after.data(),
                               compiled.c_str(), up);
      },
      mode);
}

TEST(Report, EqualSnapshotsSayNothingChangedWithoutReadingTheDatabase) {
  tempdir t;
  std::string db = write_db(t / "broken", {"a", "b"}, {});
  db[db.size() - 2] = 'X';  // damaged trailer: would give exit 4 if read
  write_file(t / "broken/db", db);
  struct {
    std::string state, compiled;
  } const cases[] = {
      {std::string("\1\0\1", 3), t / "missing"},
      {std::string("\1\0", 2), t / "broken"},
      {"", t / "missing"},  // no service at all
  };
  for (auto const& c : cases) {
    outcome r = report(c.state, c.state, c.compiled, 1);
    EXPECT_EQ(r.code, 0) << c.compiled;
    EXPECT_EQ(r.out, kUnchanged);
    EXPECT_EQ(r.err, "");
  }
}

TEST(Report, ChangedServicesAreListedInIndexOrderUnderTheRunsDirection) {
  tempdir t;
  write_db(t / "compiled", {"db", "web"}, {"mount", "net"});
  std::string const up = "orvctl: info: the following atomic services have been brought up:\n";
  std::string const down = "orvctl: info: the following atomic services have been brought down:\n";
  struct {
    char const* before;
    char const* after;
    int up;
    std::string out;
  } const cases[] = {
      {"1100", "1000", 0, down + "web\n"},
      // One went up and one went down during a start: both under "up".
      {"0100", "1000", 1, up + "db\nweb\n"},
      {"0000", "0011", 1, up + "mount\nnet\n"},
      {"1111", "0000", 0, down + "db\nweb\nmount\nnet\n"},
  };
  auto bits = [](char const* s) {
    std::string b(s);
    for (char& c : b) c = static_cast<char>(c - '0');
    return b;
  };
  for (auto const& c : cases) {
    outcome r = report(bits(c.before), bits(c.after), t / "compiled", c.up);
    EXPECT_EQ(r.code, 0) << c.before << " -> " << c.after;
    EXPECT_EQ(r.out, c.out) << c.before << " -> " << c.after;
    EXPECT_EQ(r.err, "");
  }
}

TEST(Report, DatabaseFailuresEndWithTheirDiagnostic) {
  tempdir t;
  std::string const dir = t / "compiled";
  struct failure {
    char const* name;
    std::function<void()> damage;
    int code;
    std::string err;
  };
  auto set_n = [&](std::vector<uint32_t> const& v) { write_file(dir + "/n", be32_words(v)); };
  std::vector<failure> const cases = {
      {"NoCompiledFolder",
       [&] {
         unlink((dir + "/n").c_str());
         unlink((dir + "/db").c_str());
         rmdir(dir.c_str());
       },
       111, "orvctl: fatal: unable to open " + dir + ": No such file or directory\n"},
      {"NoSizesFile", [&] { unlink((dir + "/n").c_str()); }, 111,
       "orvctl: fatal: unable to read db sizes for " + dir + ": No such file or directory\n"},
      {"SizesFileOf25Bytes",
       [&] {
         write_file(dir + "/n", be32_words({0, 2, 6, 0, 0, 0}) + "x");
       },
       111, "orvctl: fatal: unable to read db sizes for " + dir + ": Invalid argument\n"},
      {"NoDatabaseFile", [&] { unlink((dir + "/db").c_str()); }, 111,
       "orvctl: fatal: unable to read " + dir + "/db: No such file or directory\n"},
      {"DamagedTrailer",
       [&] {
         std::string db = read_file(dir + "/db");
         db[db.size() - 1] = '!';
         write_file(dir + "/db", db);
       },
       4, "orvctl: fatal: invalid service database in " + dir + "/db\n"},
      // The snapshots hold 2 bytes; a database of 3 services cannot match them.
      {"SizesDisagreeWithSnapshots",
       [&] {
         write_db(dir, {"a", "b", "c"}, {});
       },
       4, "orvctl: fatal: invalid service database in " + dir + "/db\n"},
      {"CountsOverflow32Bits",
       [&] {
         set_n({0xffffffff, 3, 6, 0, 0, 0});
       },
       4, "orvctl: fatal: invalid service database in " + dir + "/db\n"},
      // Claims far beyond what the small file holds fail at once, as the
      // reader's pass over that file says.
      {"HugeStringBlockClaim",
       [&] {
         set_n({0, 2, 0xfffffff0, 0, 0, 0});
       },
       111, "orvctl: fatal: unable to read " + dir + "/db: Broken pipe\n"},
      {"HugeVectorSlotClaim",
       [&] {
         set_n({0, 2, 6, 0xffffffff, 0, 0});
       },
       4, "orvctl: fatal: invalid service database in " + dir + "/db\n"},
      // The records are read as edges: a separator makes an index past N.
      {"HugeEdgeClaim",
       [&] {
         set_n({0, 2, 6, 0, 0xffffffff, 0});
       },
       4, "orvctl: fatal: invalid service database in " + dir + "/db\n"},
  };
  for (auto const& c : cases) {
    write_db(dir, {"a", "b"}, {});
    c.damage();
    auto start = std::chrono::steady_clock::now();
    outcome r = report(std::string("\0\0", 2), std::string("\1\0", 2), dir, 1);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.code, c.code) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    EXPECT_EQ(r.out, "") << c.name;  // nothing half-written
    EXPECT_LT(took, std::chrono::seconds(2)) << c.name;
    unlink((dir + "/n").c_str());
    unlink((dir + "/db").c_str());
    rmdir(dir.c_str());
  }
}

TEST(Report, UnwritableStdoutGives111) {
  tempdir t;
  write_db(t / "compiled", {"a"}, {});
  std::string const zero(1, '\0'), one(1, '\1');
  for (bool changed : {false, true}) {
    outcome r = report(zero, changed ? one : zero, t / "compiled", 1, stdout_is::closed);
    EXPECT_EQ(r.code, 111) << changed;
    EXPECT_EQ(r.err, "orvctl: fatal: unable to write to stdout: Bad file descriptor\n") << changed;
  }
}

TEST(Report, LargeDatabaseListsEveryChangedName) {
  tempdir t;
  std::vector<std::string> longruns, commands;
  for (int i = 0; i < 3000; ++i) longruns.push_back("l" + std::to_string(i));
  for (int i = 0; i < 2000; ++i) commands.push_back("c" + std::to_string(i));
  write_db(t / "compiled", longruns, commands);
  std::string before(5000, '\0'), after(5000, '\1');
  outcome r = report(before, after, t / "compiled", 1);
  ASSERT_EQ(r.code, 0) << r.err;
  std::string expect = "orvctl: info: the following atomic services have been brought up:\n";
  for (auto const& n : longruns) expect += n + "\n";
  for (auto const& n : commands) expect += n + "\n";
  EXPECT_EQ(r.out, expect);  // larger than the stream buffer: flushed in pieces
}

}  // namespace
