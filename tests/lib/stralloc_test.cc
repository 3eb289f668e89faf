// Growable strings and the allocation under them.
#include "lib/stralloc.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "lib/alloc.h"

namespace {

std::string str(stralloc const& sa) {
  return std::string(sa.data, sa.len);
}

TEST(Stralloc, CatOfNothingOntoZeroAllocatesEightBytes) {
  stralloc sa = stralloc_zero;
  ASSERT_EQ(stralloc_catb(&sa, "", 0), 1);
  EXPECT_NE(sa.data, nullptr);
  EXPECT_EQ(sa.len, 0u);
  EXPECT_EQ(sa.cap, 8u);
  stralloc_free(&sa);
  EXPECT_EQ(sa.data, nullptr);
  EXPECT_EQ(sa.len, 0u);
  EXPECT_EQ(sa.cap, 0u);
}

TEST(Stralloc, GrowthIsNeededPlusAnEighthPlusEight) {
  struct row {
    size_t have_cap;  // 0: fresh string
    size_t n;
    size_t want_cap;
  } rows[] = {
      {0, 0, 8},        {0, 1, 9},       {0, 100, 120},
      {0, 4096, 4616},  {120, 100, 120},  // already big enough: unchanged
      {120, 121, 144},                    // 121 + 8 + 15
      {4616, 50, 4616},                   // never shrinks
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(std::to_string(r.have_cap) + "/" + std::to_string(r.n));
    stralloc sa = stralloc_zero;
    if (r.have_cap) {
      ASSERT_TRUE(stralloc_ready(&sa, 1));
      sa.data = static_cast<char*>(realloc(sa.data, r.have_cap));
      sa.cap = r.have_cap;
    }
    ASSERT_EQ(stralloc_ready(&sa, r.n), 1);
    EXPECT_EQ(sa.cap, r.want_cap);
    EXPECT_EQ(sa.len, 0u);
    stralloc_free(&sa);
  }
}

TEST(Stralloc, ReadyPlusCountsFromTheLength) {
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_catb(&sa, "0123456789", 10));  // cap 10 + 8 + 1 = 19
  EXPECT_EQ(sa.cap, 19u);
  ASSERT_TRUE(stralloc_readyplus(&sa, 90));  // 100 in all
  EXPECT_EQ(sa.cap, 120u);
  EXPECT_EQ(str(sa), "0123456789");
  stralloc_free(&sa);
}

TEST(Stralloc, BadSizesFailAndLeaveTheStringUnchanged) {
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_catb(&sa, "abc", 3));
  stralloc const before = sa;
  struct row {
    size_t n, base, a, b;
    bool plus;
    int want_errno;
  } rows[] = {
      {10, 8, 1, 0, false, EINVAL},            // divisor 0
      {SIZE_MAX - 4, 8, 1, 8, false, ERANGE},  // n + base wraps
      {SIZE_MAX / 2, 8, 4, 8, false, ERANGE},  // n * a wraps
      {SIZE_MAX - 1, 8, 1, 8, true, ERANGE},   // len + n wraps
  };
  for (auto const& r : rows) {
    errno = 0;
    int ok = r.plus ? stralloc_readyplus_tuned(&sa, r.n, r.base, r.a, r.b)
                    : stralloc_ready_tuned(&sa, r.n, r.base, r.a, r.b);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(errno, r.want_errno);
    EXPECT_EQ(sa.data, before.data);
    EXPECT_EQ(sa.len, before.len);
    EXPECT_EQ(sa.cap, before.cap);
  }
  stralloc_free(&sa);
}

TEST(Stralloc, RefusedGrowthLeavesTheStringUsable) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer aborts on impossible allocations";
#else
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_cats(&sa, "abc"));
  char* data = sa.data;
  EXPECT_EQ(stralloc_ready(&sa, SIZE_MAX / 2), 0);
  EXPECT_EQ(errno, ENOMEM);
  EXPECT_EQ(sa.data, data);
  EXPECT_EQ(str(sa), "abc");
  ASSERT_TRUE(stralloc_cats(&sa, "d"));
  EXPECT_EQ(str(sa), "abcd");
  stralloc_free(&sa);
#endif
}

TEST(Stralloc, AppendsAccumulateAcrossGrowth) {
  stralloc sa = stralloc_zero;
  std::string want;
  for (int i = 0; i < 1000; ++i) {
    std::string piece = std::to_string(i) + ",";
    ASSERT_TRUE(stralloc_catb(&sa, piece.data(), piece.size()));
    want += piece;
    ASSERT_LE(sa.len, sa.cap);
  }
  EXPECT_EQ(str(sa), want);
  ASSERT_TRUE(stralloc_cats(&sa, "end"));
  EXPECT_EQ(str(sa), want + "end");
  stralloc_free(&sa);
}

TEST(Stralloc, AppendingItsOwnBytesSurvivesTheBlockMoving) {
  stralloc sa = stralloc_zero;
  ASSERT_TRUE(stralloc_cats(&sa, "abcdefgh"));
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(stralloc_catb(&sa, sa.data, sa.len));
  EXPECT_EQ(sa.len, 8u << 12);
  for (size_t i = 0; i < sa.len; ++i) ASSERT_EQ(sa.data[i], "abcdefgh"[i % 8]) << i;
  ASSERT_TRUE(stralloc_catb(&sa, sa.data + 2, 3));
  EXPECT_EQ(std::string(sa.data + sa.len - 3, 3), "cde");
  stralloc_free(&sa);
}

TEST(Alloc, ZeroBytesGiveARealBlock) {
  void* p = alloc(0);
  ASSERT_NE(p, nullptr);
  *static_cast<char*>(p) = 'x';
  alloc_free(p);
}

TEST(Alloc, ReallocResizesAndZeroReplacesTheBlock) {
  char* p = static_cast<char*>(alloc(4));
  memcpy(p, "abcd", 4);
  ASSERT_EQ(alloc_realloc(&p, 1000), 1);
  EXPECT_EQ(std::string(p, 4), "abcd");
  ASSERT_EQ(alloc_realloc(&p, 0), 1);
  ASSERT_NE(p, nullptr);
  p[0] = 'y';
  alloc_free(p);
  char* q = nullptr;
  ASSERT_EQ(alloc_realloc(&q, 5), 1);  // from nothing
  alloc_free(q);
}

}  // namespace
