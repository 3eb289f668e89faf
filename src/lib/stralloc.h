// Growable byte string. The record owns its heap block; no terminating NUL
// is kept. Growth to n bytes gives capacity n + 8 + n/8 and never shrinks; a
// pointer into data is invalid after any call that may grow it.
#pragma once

#include <cstddef>

struct stralloc {
  char* data;  // null until something is allocated
  size_t len;
  size_t cap;
};

inline constexpr stralloc stralloc_zero = {nullptr, 0, 0};

// Room for n bytes in all: when the block must grow it becomes
// t = n + base + n*a/b bytes. 1, or 0 with EINVAL (b is 0), ERANGE (t or
// n*a wraps) or ENOMEM; the record is unchanged on failure.
int stralloc_ready_tuned(stralloc* sa, size_t n, size_t base, size_t a, size_t b);
// Room for n more bytes; ERANGE when len + n wraps.
int stralloc_readyplus_tuned(stralloc* sa, size_t n, size_t base, size_t a, size_t b);
inline int stralloc_ready(stralloc* sa, size_t n) {
  return stralloc_ready_tuned(sa, n, 8, 1, 8);
}
inline int stralloc_readyplus(stralloc* sa, size_t n) {
  return stralloc_readyplus_tuned(sa, n, 8, 1, 8);
}
// Appends n bytes: 1, or 0 with sa unchanged. s may point into sa's own
// bytes: it is found again if growth moves the block.
int stralloc_catb(stralloc* sa, char const* s, size_t n);
int stralloc_cats(stralloc* sa, char const* s);
// Frees the block and returns sa to stralloc_zero.
void stralloc_free(stralloc* sa);
