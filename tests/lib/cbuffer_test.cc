#include "lib/cbuffer.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string piece(iovec const& v) {
  return v.iov_base ? std::string(static_cast<char*>(v.iov_base), v.iov_len) : "<null>";
}

TEST(Cbuffer, InitNeedsCapacityTwo) {
  char s[2];
  cbuffer c;
  errno = 0;
  EXPECT_EQ(cbuffer_init(&c, s, 1), 0);
  EXPECT_EQ(errno, EINVAL);
  ASSERT_EQ(cbuffer_init(&c, s, 2), 1);
  EXPECT_EQ(cbuffer_put(&c, "xy", 2), 1u);
  EXPECT_EQ(cbuffer_available(&c), 0u);
}

// Pieces for each position of read and write in a ring of 8 over "01234567".
TEST(Cbuffer, PeekPieces) {
  struct {
    size_t readpos, writepos;
    char const *r0, *r1, *w0, *w1;
  } const cases[] = {
      {0, 0, "", "<null>", "0123456", "<null>"}, {3, 3, "", "<null>", "34567", "01"},
      {2, 6, "2345", "<null>", "67", "0"},       {6, 2, "67", "01", "234", "<null>"},
      {6, 0, "67", "<null>", "01234", "<null>"}, {0, 7, "0123456", "<null>", "", "<null>"},
      {1, 0, "1234567", "<null>", "", "<null>"}, {5, 4, "567", "0123", "", "<null>"},
  };
  char s[] = "01234567";
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.readpos) + "," + std::to_string(c.writepos));
    cbuffer b = {s, 8, c.readpos, c.writepos};
    iovec v[2];
    cbuffer_rpeek(&b, v);
    EXPECT_EQ(piece(v[0]), c.r0);
    EXPECT_EQ(piece(v[1]), c.r1);
    EXPECT_EQ(v[0].iov_len + v[1].iov_len, cbuffer_len(&b));
    cbuffer_wpeek(&b, v);
    EXPECT_EQ(piece(v[0]), c.w0);
    EXPECT_EQ(piece(v[1]), c.w1);
    EXPECT_EQ(v[0].iov_len + v[1].iov_len, cbuffer_available(&b));
  }
}

TEST(Cbuffer, PutAndGetWrapAround) {
  char s[8];
  cbuffer c;
  ASSERT_EQ(cbuffer_init(&c, s, sizeof s), 1);
  EXPECT_EQ(cbuffer_put(&c, "abcdefghij", 10), 7u);  // one byte stays free
  char out[16] = {};
  EXPECT_EQ(cbuffer_get(&c, out, 5), 5u);
  EXPECT_STREQ(out, "abcde");
  EXPECT_EQ(cbuffer_put(&c, "klmnopq", 7), 5u);
  EXPECT_EQ(c.writepos, 4u);
  memset(out, 0, sizeof out);
  EXPECT_EQ(cbuffer_get(&c, out, sizeof out), 7u);
  EXPECT_STREQ(out, "fgklmno");
  EXPECT_TRUE(cbuffer_isempty(&c));
  EXPECT_EQ(cbuffer_get(&c, out, sizeof out), 0u);
}

TEST(Cbuffer, SeeksAreCutToWhatIsThere) {
  char s[8];
  cbuffer c = CBUFFER_INIT(s, 8);
  EXPECT_EQ(cbuffer_wseek(&c, 100), 7u);
  EXPECT_EQ(cbuffer_len(&c), 7u);
  EXPECT_EQ(cbuffer_rseek(&c, 3), 3u);
  EXPECT_EQ(cbuffer_rseek(&c, 100), 4u);
  EXPECT_TRUE(cbuffer_isempty(&c));
  EXPECT_EQ(c.readpos, 7u);
}

TEST(Siovec, GatherAndScatterStopAtLenOrVectors) {
  char a[] = "abc", b[] = "defg";
  iovec v[3] = {{a, 3}, {nullptr, 0}, {b, 4}};
  char out[10] = {};
  EXPECT_EQ(siovec_gather(v, 3, out, sizeof out), 7u);
  EXPECT_STREQ(out, "abcdefg");
  memset(out, 0, sizeof out);
  EXPECT_EQ(siovec_gather(v, 3, out, 5), 5u);
  EXPECT_STREQ(out, "abcde");
  EXPECT_EQ(siovec_gather(v, 0, out, 5), 0u);
  EXPECT_EQ(siovec_scatter(v, 3, "123456789", 9), 7u);
  EXPECT_STREQ(a, "123");
  EXPECT_STREQ(b, "4567");
  EXPECT_EQ(siovec_scatter(v, 3, "xy", 2), 2u);
  EXPECT_STREQ(a, "xy3");
  EXPECT_EQ(siovec_scatter(v, 3, "zz", 0), 0u);
  EXPECT_STREQ(a, "xy3");
}

}  // namespace
