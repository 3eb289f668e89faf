// Byte searching and counting.
#include "lib/bytestr.h"

#include <cstring>

size_t byte_chr(char const* s, size_t n, int c) {
  if (!n) return 0;
  void const* p = memchr(s, c, n);
  return p ? static_cast<size_t>(static_cast<char const*>(p) - s) : n;
}

size_t byte_count(char const* s, size_t n, int c) {
  auto const b = static_cast<char>(c);
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) k += s[i] == b;
  return k;
}

size_t str_chr(char const* s, int c) {
  auto const b = static_cast<char>(c);
  size_t i = 0;
  while (s[i] && s[i] != b) ++i;
  return i;
}
