// Byte searching and counting.
#include "lib/bytestr.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

TEST(Bytestr, ByteChrAndCount) {
  struct row {
    std::string_view s;
    int c;
    size_t chr, count;
  } rows[] = {
      {"", 'a', 0, 0},
      {"abcabc", 'a', 0, 2},
      {"abcabc", 'c', 2, 2},
      {"abcabc", 'z', 6, 0},
      {std::string_view("a\0b\0", 4), 0, 1, 2},  // NUL is an ordinary byte
      {"x\xff", 0xff, 1, 1},                     // high bytes, int argument
      {"x\xff", -1, 1, 1},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(r.s);
    EXPECT_EQ(byte_chr(r.s.data(), r.s.size(), r.c), r.chr);
    EXPECT_EQ(byte_count(r.s.data(), r.s.size(), r.c), r.count);
  }
  EXPECT_EQ(byte_chr(nullptr, 0, 'a'), 0u);
}

TEST(Bytestr, StrChrStopsAtTheTerminator) {
  EXPECT_EQ(str_chr("name=value", '='), 4u);
  EXPECT_EQ(str_chr("name", '='), 4u);
  EXPECT_EQ(str_chr("name", 0), 4u);
  EXPECT_EQ(str_chr("", 'x'), 0u);
  EXPECT_EQ(str_chr("a\xe9", 0xe9), 1u);
}

}  // namespace
