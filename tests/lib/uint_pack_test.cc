// Big-endian decoding and byte swaps, byte by byte.
#include "lib/uint_pack.h"

#include <gtest/gtest.h>

namespace {

TEST(UintPack, UnpackReadsMostSignificantFirst) {
  char const b[] = "\x00\x00\x01\x02";
  uint32_t u32;
  uint32_unpack_big(b, &u32);
  EXPECT_EQ(u32, 258u);

  // High bits set in every byte: no sign extension may leak in.
  char const f[] = "\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8";
  uint16_t u16;
  uint64_t u64;
  uint16_unpack_big(f, &u16);
  uint32_unpack_big(f, &u32);
  uint64_unpack_big(f, &u64);
  EXPECT_EQ(u16, 0xfffeu);
  EXPECT_EQ(u32, 0xfffefdfcu);
  EXPECT_EQ(u64, 0xfffefdfcfbfaf9f8u);

  char const m[] = "\x80\x00\x00\x00\x00\x00\x00\x01";
  uint64_unpack_big(m, &u64);
  EXPECT_EQ(u64, 0x8000000000000001u);
  uint16_unpack_big(m + 6, &u16);
  EXPECT_EQ(u16, 1u);
}

TEST(UintPack, UnpackAtEveryAlignment) {
  char buf[16] = {};
  for (int off = 0; off < 8; ++off) {
    for (int i = 0; i < 8; ++i) buf[off + i] = static_cast<char>(0x11 * (i + 1));
    uint64_t u64;
    uint32_t u32;
    uint16_t u16;
    uint64_unpack_big(buf + off, &u64);
    uint32_unpack_big(buf + off, &u32);
    uint16_unpack_big(buf + off, &u16);
    EXPECT_EQ(u64, 0x1122334455667788u) << off;
    EXPECT_EQ(u32, 0x11223344u) << off;
    EXPECT_EQ(u16, 0x1122u) << off;
  }
}

TEST(UintPack, ByteSwapsReverseTheBytes) {
  EXPECT_EQ(uint16_bswap(0x1234), 0x3412u);
  EXPECT_EQ(uint16_bswap(0x00ff), 0xff00u);
  EXPECT_EQ(uint32_bswap(0x12345678u), 0x78563412u);
  EXPECT_EQ(uint32_bswap(0xff000001u), 0x010000ffu);
  EXPECT_EQ(uint64_bswap(0x0102030405060708u), 0x0807060504030201u);
  EXPECT_EQ(uint64_bswap(0xff00000000000000u), 0xffu);
  EXPECT_EQ(uint64_bswap(uint64_bswap(0xdeadbeefcafef00du)), 0xdeadbeefcafef00du);
}

}  // namespace
