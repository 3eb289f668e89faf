#include "lib/cbuffer.h"

#include <cerrno>
#include <cstring>

int cbuffer_init(cbuffer* c, char* storage, size_t capacity) {
  if (capacity < 2) {
    errno = EINVAL;
    return 0;
  }
  *c = CBUFFER_INIT(storage, capacity);
  return 1;
}

// An empty second piece is reported as absent, so callers never see a
// zero-length vector with a non-null base.
static void pieces(char* storage, size_t capacity, size_t from, size_t to, iovec v[2]) {
  v[0].iov_base = storage + from;
  if (to >= from) {
    v[0].iov_len = to - from;
    v[1] = {nullptr, 0};
  } else {
    v[0].iov_len = capacity - from;
    v[1] = to ? iovec{storage, to} : iovec{nullptr, 0};
  }
}

void cbuffer_rpeek(cbuffer const* c, iovec v[2]) {
  pieces(c->storage, c->capacity, c->readpos, c->writepos, v);
}

void cbuffer_wpeek(cbuffer const* c, iovec v[2]) {
  size_t const last = (c->capacity + c->readpos - 1) % c->capacity;
  pieces(c->storage, c->capacity, c->writepos, last, v);
}

size_t cbuffer_rseek(cbuffer* c, size_t n) {
  size_t const len = cbuffer_len(c);
  if (n > len) n = len;
  c->readpos = (c->readpos + n) % c->capacity;
  return n;
}

size_t cbuffer_wseek(cbuffer* c, size_t n) {
  size_t const room = cbuffer_available(c);
  if (n > room) n = room;
  c->writepos = (c->writepos + n) % c->capacity;
  return n;
}

size_t cbuffer_put(cbuffer* c, char const* s, size_t len) {
  iovec v[2];
  cbuffer_wpeek(c, v);
  return cbuffer_wseek(c, siovec_scatter(v, 2, s, len));
}

size_t cbuffer_get(cbuffer* c, char* s, size_t len) {
  iovec v[2];
  cbuffer_rpeek(c, v);
  return cbuffer_rseek(c, siovec_gather(v, 2, s, len));
}

size_t siovec_gather(iovec const* v, unsigned n, char* s, size_t len) {
  size_t w = 0;
  for (unsigned k = 0; k < n && w < len; k++) {
    size_t const m = v[k].iov_len < len - w ? v[k].iov_len : len - w;
    if (m) memmove(s + w, v[k].iov_base, m);
    w += m;
  }
  return w;
}

size_t siovec_scatter(iovec const* v, unsigned n, char const* s, size_t len) {
  size_t w = 0;
  for (unsigned k = 0; k < n && w < len; k++) {
    size_t const m = v[k].iov_len < len - w ? v[k].iov_len : len - w;
    if (m) memmove(v[k].iov_base, s + w, m);
    w += m;
  }
  return w;
}
