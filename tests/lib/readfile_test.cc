// Whole-content reading: allread, readnclose, openreadnclose, slurpn.
#include "lib/readfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "lib/stralloc.h"
#include "support/run.h"

namespace {

using orvtest::tempdir;
using orvtest::write_file;

int calls;
ssize_t counting_op(int, char*, size_t) {
  ++calls;
  return 0;
}

// Hands out at most 3 bytes a call from a fixed text, then end of file.
char const kText[] = "abcdefgh";
size_t pos;
ssize_t trickle(int, char* buf, size_t len) {
  size_t n = std::min({len, size_t{3}, sizeof kText - 1 - pos});
  memcpy(buf, kText + pos, n);
  pos += n;
  return static_cast<ssize_t>(n);
}

TEST(ReadFile, AllReadWriteLoopsOverShortCountsAndSkipsEmptyRequests) {
  calls = 0;
  char buf[16];
  EXPECT_EQ(allreadwrite(counting_op, 0, buf, 0), 0u);
  EXPECT_EQ(calls, 0);
  pos = 0;
  EXPECT_EQ(allreadwrite(trickle, 0, buf, 7), 7u);
  EXPECT_EQ(std::string(buf, 7), "abcdefg");
  pos = 0;
  EXPECT_EQ(allreadwrite(trickle, 0, buf, sizeof buf), 8u);  // stops at end of file
}

TEST(ReadFile, OpenReadNCloseShortFileAndMissingFile) {
  tempdir d;
  write_file(d / "f", "12345");
  char buf[32];
  errno = 71;
  EXPECT_EQ(openreadnclose((d / "f").c_str(), buf, sizeof buf), 5);
  EXPECT_EQ(errno, 71);
  EXPECT_EQ(std::string(buf, 5), "12345");
  EXPECT_EQ(openreadnclose((d / "f").c_str(), buf, 3), 3);
  EXPECT_EQ(openreadnclose((d / "missing").c_str(), buf, sizeof buf), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(ReadFile, ReadNCloseClosesOnEveryPathAndReportsReadFailures) {
  tempdir d;
  int fd = open(d.path().c_str(), O_RDONLY | O_DIRECTORY);  // read() fails: EISDIR
  char buf[8];
  errno = 0;
  EXPECT_EQ(readnclose(fd, buf, sizeof buf), -1);
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);

  write_file(d / "f", "ab");
  fd = open((d / "f").c_str(), O_RDONLY);
  errno = 0;
  EXPECT_EQ(readnclose(fd, buf, sizeof buf), 2);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

struct slurp_case {
  char const* name;
  std::string prefix;  // in sa before the call
  size_t file_len;
  size_t max;
  int want;
  int want_errno;
  size_t want_len;
};

void PrintTo(slurp_case const& c, std::ostream* os) { *os << c.name; }

class Slurpn : public testing::TestWithParam<slurp_case> {};

TEST_P(Slurpn, AppendsUntilEndOfFileWithinTheLimit) {
  auto const& c = GetParam();
  tempdir d;
  std::string content;
  for (size_t i = 0; i < c.file_len; ++i) content += static_cast<char>('a' + i % 26);
  write_file(d / "f", content);
  int fd = open((d / "f").c_str(), O_RDONLY);
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_catb(&sa, c.prefix.data(), c.prefix.size()));
  errno = 0;
  EXPECT_EQ(slurpn(fd, &sa, c.max), c.want);
  if (!c.want) {
    EXPECT_EQ(errno, c.want_errno);
  }
  ASSERT_EQ(sa.len, c.want_len);
  std::string all = c.prefix + content;
  EXPECT_EQ(std::string(sa.data, sa.len), all.substr(0, c.want_len));
  stralloc_free(&sa);
  close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Slurpn,
    testing::Values(slurp_case{"EmptyFile", "", 0, 0, 1, 0, 0},
                    slurp_case{"ManyChunks", "", 10000, 0, 1, 0, 10000},
                    slurp_case{"KeepsPrefix", "xy", 5000, 0, 1, 0, 5002},
                    slurp_case{"ExactlyMaxFails", "", 10, 10, 0, ENOBUFS, 10},
                    slurp_case{"BelowMax", "", 9, 10, 1, 0, 9},
                    slurp_case{"PrefixCountsTowardsMax", "12345", 5, 10, 0, ENOBUFS, 10},
                    slurp_case{"OverMaxKeepsWhatFits", "", 9000, 5000, 0, ENOBUFS, 5000},
                    // Entry length past max used to compute a wrapped chunk.
                    slurp_case{"PrefixAlreadyPastMax", "123456789012", 3, 10, 0, ENOBUFS, 12}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(ReadFile, SlurpnOnAClosedEmptyPipeLeavesTheStringAsItWas) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  close(p[1]);
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_catb(&sa, "keep", 4));
  EXPECT_EQ(slurpn(p[0], &sa, 0), 1);
  EXPECT_EQ(std::string(sa.data, sa.len), "keep");
  stralloc_free(&sa);
  close(p[0]);
}

TEST(ReadFile, SlurpnReadFailureKeepsWhatWasAppended) {
  tempdir d;
  int fd = open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_catb(&sa, "x", 1));
  EXPECT_EQ(slurpn(fd, &sa, 0), 0);
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(sa.len, 1u);
  stralloc_free(&sa);
  close(fd);
}

}  // namespace
