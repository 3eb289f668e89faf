// Growable byte string. Growth adds an eighth plus 8 bytes, so appends are
// amortised and a fresh string made ready for 0 bytes still gets 8.
#include "lib/stralloc.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lib/alloc.h"

int stralloc_ready_tuned(stralloc* sa, size_t n, size_t base, size_t a, size_t b) {
  if (!b) {
    errno = EINVAL;
    return 0;
  }
  size_t na;
  size_t t;
  if (__builtin_mul_overflow(n, a, &na) || __builtin_add_overflow(n, base, &t) ||
      __builtin_add_overflow(t, na / b, &t)) {
    errno = ERANGE;
    return 0;
  }
  if (sa->data) {
    if (sa->cap >= n) return 1;
    if (!alloc_realloc(&sa->data, t)) return 0;
  } else {
    sa->data = static_cast<char*>(alloc(t));
    if (!sa->data) return 0;
  }
  sa->cap = t;
  return 1;
}

int stralloc_readyplus_tuned(stralloc* sa, size_t n, size_t base, size_t a, size_t b) {
  if (sa->len + n < n) {
    errno = ERANGE;
    return 0;
  }
  return stralloc_ready_tuned(sa, sa->len + n, base, a, b);
}

int stralloc_catb(stralloc* sa, char const* s, size_t n) {
  // Appending a piece of the string to itself: growth may move the block,
  // so find the piece again by its offset afterwards.
  bool const inside = sa->data && n && s >= sa->data && s < sa->data + sa->len;
  size_t const off = inside ? static_cast<size_t>(s - sa->data) : 0;
  if (!stralloc_readyplus_tuned(sa, n, 8, 1, 8)) return 0;
  if (inside) s = sa->data + off;
  if (n) memmove(sa->data + sa->len, s, n);
  sa->len += n;
  return 1;
}

int stralloc_cats(stralloc* sa, char const* s) {
  return stralloc_catb(sa, s, strlen(s));
}

void stralloc_free(stralloc* sa) {
  alloc_free(sa->data);
  *sa = stralloc_zero;
}
