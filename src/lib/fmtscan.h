// Scanning and formatting of numbers in bases 2 to 36. Digits are
// "0123456789abcdefghijklmnopqrstuvwxyz"; scanning accepts letters in either
// case. No sign (except the signed scanners), blank, prefix or separator.
#pragma once

#include <cstddef>
#include <cstdint>

// Value of c as a digit of base, or base itself when c is not one.
unsigned fmtscan_num(unsigned char c, unsigned base);
// Character of digit value d (0..35), or '\0' for larger d.
char fmtscan_asc(unsigned d);

// Scans the longest prefix of s whose value does not exceed max. Returns the
// number of characters consumed; stores the value in *u only when that is not 0.
size_t uint64_scan_base_max(char const* s, uint64_t* u, unsigned base, uint64_t max);
size_t uint32_scan_base(char const* s, uint32_t* u, unsigned base);
// The whole of s must be a 32-bit number: returns strlen(s), or 0 with errno
// ERANGE (too large) or EINVAL. *u receives the value of the digits consumed
// even when the call fails.
size_t uint320_scan_base(char const* s, uint32_t* u, unsigned base);

// Optional "+" or "-", then digits; accepted range -(max + 1) .. max, with max
// held to INT64_MAX. A sign without a digit after it consumes nothing.
size_t int64_scan_base_max(char const* s, int64_t* i, unsigned base, uint64_t max);
size_t int32_scan_base(char const* s, int32_t* i, unsigned base);
size_t int320_scan_base(char const* s, int32_t* i, unsigned base);

// Writes the digits of u (lower case, no NUL) into s and returns their number;
// with s null only returns the number. REQUIRES: room for the longest value.
// A base outside 2..36 writes nothing and returns 0.
size_t uint64_fmt_generic(char* s, uint64_t u, unsigned base);
size_t int64_fmt_generic(char* s, int64_t i, unsigned base);

// Room for any 64-bit value in base 10, sign included, plus a NUL.
inline constexpr size_t UINT64_FMT = 21;
