#include "lib/fmtscan.h"

#include <cerrno>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(Fmtscan, DigitValues) {
  struct {
    char c;
    unsigned base, want;
  } const cases[] = {
      {'0', 2, 0},   {'1', 2, 1},    {'2', 2, 2},      {'9', 10, 9},  {'a', 10, 10}, {'9', 11, 9},
      {'a', 11, 10}, {'A', 11, 10},  {'b', 11, 11},    {'B', 11, 11}, {'z', 36, 35}, {'Z', 36, 35},
      {'@', 36, 36}, {'[', 36, 36},  {'`', 36, 36},    {'{', 36, 36}, {'/', 10, 10}, {':', 16, 16},
      {'0', 37, 37}, {'\0', 10, 10}, {'\xff', 36, 36}, {'F', 16, 15}, {'g', 16, 16},
  };
  for (auto const& c : cases)
    EXPECT_EQ(fmtscan_num(static_cast<unsigned char>(c.c), c.base), c.want)
        << "'" << c.c << "' base " << c.base;
  EXPECT_EQ(fmtscan_asc(0), '0');
  EXPECT_EQ(fmtscan_asc(10), 'a');
  EXPECT_EQ(fmtscan_asc(35), 'z');
  EXPECT_EQ(fmtscan_asc(36), '\0');
}

TEST(Fmtscan, Uint64ScanStopsBeforeExceedingMax) {
  struct {
    char const* s;
    unsigned base;
    uint64_t max;
    size_t n;
    uint64_t value;  // 777 when nothing is stored
  } const cases[] = {
      {"123", 10, UINT64_MAX, 3, 123},
      {"0012x", 10, UINT64_MAX, 4, 12},
      {"18446744073709551615", 10, UINT64_MAX, 20, UINT64_MAX},
      {"18446744073709551616", 10, UINT64_MAX, 19, 1844674407370955161},
      {"ffFF", 16, UINT64_MAX, 4, 0xffff},
      {"1012", 2, UINT64_MAX, 3, 5},
      {"zz", 36, UINT64_MAX, 2, 1295},
      {"", 10, UINT64_MAX, 0, 777},
      {"x1", 10, UINT64_MAX, 0, 777},
      {"+1", 10, UINT64_MAX, 0, 777},
      {" 1", 10, UINT64_MAX, 0, 777},
      {"0x1f", 16, UINT64_MAX, 1, 0},
      {"256", 10, 255, 2, 25},
      {"255", 10, 255, 3, 255},
      {"7", 10, 5, 0, 777},  // a digit above max stops the scan at once
      {"57", 10, 5, 1, 5},
      {"9", 37, UINT64_MAX, 0, 777},
  };
  for (auto const& c : cases) {
    uint64_t v = 777;
    EXPECT_EQ(uint64_scan_base_max(c.s, &v, c.base, c.max), c.n) << c.s;
    EXPECT_EQ(v, c.value) << c.s;
  }
}

TEST(Fmtscan, Uint32Scanners) {
  struct {
    char const* s;
    size_t scan_n;   // uint32_scan_base
    size_t whole_n;  // uint320_scan_base
    int err;         // errno after a failed whole scan
    uint32_t value;  // 777 when nothing is stored
  } const cases[] = {
      {"4294967295", 10, 10, 0, 4294967295u},
      {"4294967296", 9, 0, ERANGE, 429496729},
      {"99999999999", 9, 0, ERANGE, 999999999},
      {"12a", 2, 0, EINVAL, 12},
      {"", 0, 0, EINVAL, 777},
      {"-1", 0, 0, EINVAL, 777},
      {"0", 1, 1, 0, 0},
      {"15 ", 2, 0, EINVAL, 15},
  };
  for (auto const& c : cases) {
    uint32_t v = 777, w = 777;
    EXPECT_EQ(uint32_scan_base(c.s, &v, 10), c.scan_n) << c.s;
    errno = 0;
    EXPECT_EQ(uint320_scan_base(c.s, &w, 10), c.whole_n) << c.s;
    EXPECT_EQ(errno, c.err) << c.s;
    EXPECT_EQ(v, c.value) << c.s;
    EXPECT_EQ(w, c.value) << c.s;
  }
  uint32_t v;
  EXPECT_EQ(uint320_scan_base("ffffffff", &v, 16), 8u);
  EXPECT_EQ(v, UINT32_MAX);
  errno = 0;
  EXPECT_EQ(uint320_scan_base("1ffffffff", &v, 16), 0u);
  EXPECT_EQ(errno, ERANGE);
  errno = 0;
  EXPECT_EQ(uint320_scan_base("102", &v, 2), 0u);  // 2 is no binary digit
  EXPECT_EQ(errno, EINVAL);
}

TEST(Fmtscan, SignedScanners) {
  struct {
    char const* s;
    size_t scan_n;
    size_t whole_n;
    int err;
    int32_t value;  // 777 when nothing is stored
  } const cases[] = {
      {"123", 3, 3, 0, 123},
      {"+123", 4, 4, 0, 123},
      {"0123", 4, 4, 0, 123},
      {"-5", 2, 2, 0, -5},
      {"-0", 2, 2, 0, 0},
      {"2147483647", 10, 10, 0, INT32_MAX},
      {"-2147483648", 11, 11, 0, INT32_MIN},
      {"2147483648", 9, 0, ERANGE, 214748364},
      {"-2147483649", 10, 0, ERANGE, -214748364},
      {"+2147483648", 10, 0, ERANGE, 214748364},
      {"-", 0, 0, EINVAL, 777},
      {"+", 0, 0, EINVAL, 777},
      {"+-1", 0, 0, EINVAL, 777},
      {"--1", 0, 0, EINVAL, 777},
      {"abc", 0, 0, EINVAL, 777},
      {"", 0, 0, EINVAL, 777},
      {"12x", 2, 0, EINVAL, 12},
  };
  for (auto const& c : cases) {
    int32_t v = 777, w = 777;
    EXPECT_EQ(int32_scan_base(c.s, &v, 10), c.scan_n) << c.s;
    errno = 0;
    EXPECT_EQ(int320_scan_base(c.s, &w, 10), c.whole_n) << c.s;
    EXPECT_EQ(errno, c.err) << c.s;
    EXPECT_EQ(v, c.value) << c.s;
    EXPECT_EQ(w, c.value) << c.s;
  }
}

TEST(Fmtscan, Int64ScanFullRangeAndCappedMax) {
  int64_t v = 0;
  EXPECT_EQ(int64_scan_base_max("-9223372036854775808", &v, 10, INT64_MAX), 20u);
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_EQ(int64_scan_base_max("9223372036854775807", &v, 10, INT64_MAX), 19u);
  EXPECT_EQ(v, INT64_MAX);
  // A max beyond the signed range is held to it: no positive value turns
  // negative, and max + 1 does not wrap to 0.
  EXPECT_EQ(int64_scan_base_max("18446744073709551615", &v, 10, UINT64_MAX), 19u);
  EXPECT_EQ(v, 1844674407370955161);
  EXPECT_EQ(int64_scan_base_max("-9223372036854775808", &v, 10, UINT64_MAX), 20u);
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_EQ(int64_scan_base_max("-ff", &v, 16, 254), 3u);
  EXPECT_EQ(v, -255);
  EXPECT_EQ(int64_scan_base_max("-100", &v, 16, 254), 3u);
  EXPECT_EQ(v, -16);
}

TEST(Fmtscan, Formatting) {
  struct {
    int64_t i;
    unsigned base;
    char const* want;
  } const signed_cases[] = {
      {0, 10, "0"},
      {-1, 10, "-1"},
      {255, 16, "ff"},
      {-255, 16, "-ff"},
      {5, 2, "101"},
      {35, 36, "z"},
      {INT64_MAX, 10, "9223372036854775807"},
      {INT64_MIN, 10, "-9223372036854775808"},
      {INT64_MIN, 16, "-8000000000000000"},
  };
  for (auto const& c : signed_cases) {
    char buf[80];
    size_t n = int64_fmt_generic(buf, c.i, c.base);
    EXPECT_EQ(std::string(buf, n), c.want);
    EXPECT_EQ(int64_fmt_generic(nullptr, c.i, c.base), n);
  }
  char buf[80];
  char sentinel[] = "#####";
  size_t n = uint64_fmt_generic(sentinel, 42, 10);
  EXPECT_EQ(n, 2u);
  EXPECT_STREQ(sentinel, "42###");  // no NUL written
  n = uint64_fmt_generic(buf, UINT64_MAX, 10);
  EXPECT_EQ(std::string(buf, n), "18446744073709551615");
  EXPECT_LE(n + 1, UINT64_FMT);
  n = uint64_fmt_generic(buf, UINT64_MAX, 2);
  EXPECT_EQ(std::string(buf, n), std::string(64, '1'));
  EXPECT_EQ(int64_fmt_generic(nullptr, INT64_MIN, 10) + 1, UINT64_FMT);
  // Bases outside 2..36 write nothing instead of dividing by 0 or looping.
  EXPECT_EQ(uint64_fmt_generic(buf, 5, 0), 0u);
  EXPECT_EQ(uint64_fmt_generic(buf, 5, 1), 0u);
  EXPECT_EQ(int64_fmt_generic(buf, -5, 37), 0u);
}

TEST(Fmtscan, FormatThenScanRoundTrips) {
  for (unsigned base : {2u, 8u, 10u, 16u, 36u}) {
    for (uint64_t u :
         {uint64_t{0}, uint64_t{1}, uint64_t{4294967295u}, UINT64_MAX - 1, UINT64_MAX}) {
      char buf[80];
      size_t n = uint64_fmt_generic(buf, u, base);
      buf[n] = 0;
      uint64_t back = 0;
      EXPECT_EQ(uint64_scan_base_max(buf, &back, base, UINT64_MAX), n) << buf;
      EXPECT_EQ(back, u) << buf;
    }
  }
}

}  // namespace
