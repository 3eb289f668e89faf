#include "lib/fmtscan.h"

#include <cerrno>
#include <cstdint>

unsigned fmtscan_num(unsigned char c, unsigned base) {
  unsigned const x = c;
  if (x < '0' || base >= 37) return base;
  if (base <= 10) return x - '0' < base ? x - '0' : base;
  if (x <= '9') return x - '0';
  if (x < 'A') return base;
  if (x - 'A' + 10 < base) return x - 'A' + 10;
  if (x < 'a') return base;
  if (x - 'a' + 10 < base) return x - 'a' + 10;
  return base;
}

char fmtscan_asc(unsigned d) {
  return d < 36 ? "0123456789abcdefghijklmnopqrstuvwxyz"[d] : '\0';
}

size_t uint64_scan_base_max(char const* s, uint64_t* u, unsigned base, uint64_t max) {
  uint64_t value = 0;
  size_t n = 0;
  for (;; n++) {
    unsigned const d = fmtscan_num(static_cast<unsigned char>(s[n]), base);
    if (d >= base) break;
    // d > max must stop too: max - d would wrap and let the value pass max.
    if (d > max || value > (max - d) / base) break;
    value = value * base + d;
  }
  if (n) *u = value;
  return n;
}

size_t uint32_scan_base(char const* s, uint32_t* u, unsigned base) {
  uint64_t value;
  size_t const n = uint64_scan_base_max(s, &value, base, UINT32_MAX);
  if (n) *u = static_cast<uint32_t>(value);
  return n;
}

// Shared tail of the whole-string scanners: n characters were consumed.
static size_t whole(char const* s, size_t n, unsigned base) {
  if (n && !s[n]) return n;
  errno = n && fmtscan_num(static_cast<unsigned char>(s[n]), base) < base ? ERANGE : EINVAL;
  return 0;
}

size_t uint320_scan_base(char const* s, uint32_t* u, unsigned base) {
  return whole(s, uint32_scan_base(s, u, base), base);
}

size_t int64_scan_base_max(char const* s, int64_t* i, unsigned base, uint64_t max) {
  // Values above INT64_MAX cannot be stored; capping also keeps max + 1 from wrapping.
  if (max > INT64_MAX) max = INT64_MAX;
  uint64_t u;
  size_t n;
  switch (s[0]) {
    case '+':
      n = uint64_scan_base_max(s + 1, &u, base, max);
      if (!n) return 0;
      *i = static_cast<int64_t>(u);
      return n + 1;
    case '-':
      n = uint64_scan_base_max(s + 1, &u, base, max + 1);
      if (!n) return 0;
      *i = static_cast<int64_t>(0 - u);
      return n + 1;
    default:
      n = uint64_scan_base_max(s, &u, base, max);
      if (n) *i = static_cast<int64_t>(u);
      return n;
  }
}

size_t int32_scan_base(char const* s, int32_t* i, unsigned base) {
  int64_t value;
  size_t const n = int64_scan_base_max(s, &value, base, INT32_MAX);
  if (n) *i = static_cast<int32_t>(value);
  return n;
}

size_t int320_scan_base(char const* s, int32_t* i, unsigned base) {
  return whole(s, int32_scan_base(s, i, base), base);
}

size_t uint64_fmt_generic(char* s, uint64_t u, unsigned base) {
  if (base < 2 || base > 36) return 0;  // nothing sensible to write, and no division by 0
  size_t len = 1;
  for (uint64_t q = u; q >= base; q /= base) len++;
  if (s) {
    for (size_t k = len; k--; u /= base) s[k] = fmtscan_asc(static_cast<unsigned>(u % base));
  }
  return len;
}

size_t int64_fmt_generic(char* s, int64_t i, unsigned base) {
  if (i >= 0) return uint64_fmt_generic(s, static_cast<uint64_t>(i), base);
  if (base < 2 || base > 36) return 0;
  if (s) *s++ = '-';
  // Negate modulo 2^64 so INT64_MIN has a magnitude.
  return 1 + uint64_fmt_generic(s, 0 - static_cast<uint64_t>(i), base);
}
