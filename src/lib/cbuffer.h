// Circular byte buffer over storage it does not own. One byte always stays
// free: a ring of capacity c holds at most c - 1 bytes.
#pragma once

#include <sys/uio.h>

#include <cstddef>

struct cbuffer {
  char* storage;
  size_t capacity;  // at least 2
  size_t readpos;   // first unread byte
  size_t writepos;  // where the next byte goes
};

#define CBUFFER_INIT(storage, capacity) \
  { (storage), (capacity), 0, 0 }

// 1, or 0 with EINVAL when capacity < 2.
int cbuffer_init(cbuffer* c, char* storage, size_t capacity);
inline size_t cbuffer_len(cbuffer const* c) {
  return (c->capacity + c->writepos - c->readpos) % c->capacity;
}
inline size_t cbuffer_available(cbuffer const* c) {
  return (c->capacity + c->readpos - c->writepos - 1) % c->capacity;
}
inline int cbuffer_isempty(cbuffer const* c) {
  return c->readpos == c->writepos;
}
// Content (rpeek) or free space (wpeek) as at most two pieces; an absent
// second piece has a null base and length 0.
void cbuffer_rpeek(cbuffer const* c, iovec v[2]);
void cbuffer_wpeek(cbuffer const* c, iovec v[2]);
// Marks n bytes read (rseek) or written (wseek), cut down to what is there;
// returns the n applied.
size_t cbuffer_rseek(cbuffer* c, size_t n);
size_t cbuffer_wseek(cbuffer* c, size_t n);
// Copies as much as fits / as much as is there; returns the count.
size_t cbuffer_put(cbuffer* c, char const* s, size_t len);
size_t cbuffer_get(cbuffer* c, char* s, size_t len);

// Copy between a vector array and a flat buffer (memmove), at most len bytes.
size_t siovec_gather(iovec const* v, unsigned n, char* s, size_t len);
size_t siovec_scatter(iovec const* v, unsigned n, char const* s, size_t len);
