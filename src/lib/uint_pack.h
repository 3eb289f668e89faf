// Big-endian decoding: the bytes are read most significant first, at any
// alignment, and never cast to integers.
#pragma once

#include <cstdint>

inline uint16_t uint16_bswap(uint16_t x) {
  return static_cast<uint16_t>((x << 8) | (x >> 8));
}
inline uint32_t uint32_bswap(uint32_t x) {
  return (x << 24) | ((x << 8) & 0x00ff0000u) | ((x >> 8) & 0x0000ff00u) | (x >> 24);
}
inline uint64_t uint64_bswap(uint64_t x) {
  return (static_cast<uint64_t>(uint32_bswap(static_cast<uint32_t>(x))) << 32) |
         uint32_bswap(static_cast<uint32_t>(x >> 32));
}

inline void uint16_unpack_big(char const* s, uint16_t* u) {
  auto const* p = reinterpret_cast<unsigned char const*>(s);
  *u = static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline void uint32_unpack_big(char const* s, uint32_t* u) {
  auto const* p = reinterpret_cast<unsigned char const*>(s);
  *u = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline void uint64_unpack_big(char const* s, uint64_t* u) {
  uint32_t hi, lo;
  uint32_unpack_big(s, &hi);
  uint32_unpack_big(s + 4, &lo);
  *u = (uint64_t{hi} << 32) | lo;
}
