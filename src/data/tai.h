// TAI64 and TAI64N time stamps as the supervisor stores them: big-endian,
// label first. No conversion to the system clock happens here.
#pragma once

#include <cstdint>

// A decoded TAI64N stamp.
struct tain {
  uint64_t sec;   // the TAI64 label as stored
  uint32_t nano;  // nanoseconds
};

inline constexpr unsigned TAI_PACK = 8;    // bytes of a TAI64 label
inline constexpr unsigned TAIN_PACK = 12;  // label, then 4 bytes of nanoseconds

// REQUIRES: s points to TAI_PACK readable bytes. Stores the label in *label.
void tai_unpack(char const* s, uint64_t* label);
// REQUIRES: s points to TAIN_PACK readable bytes. Fills *t; cannot fail.
void tain_unpack(char const* s, tain* t);
