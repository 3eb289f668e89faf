#include "lib/buffer.h"

#include <poll.h>

#include <cerrno>
#include <cstring>

namespace {

// Waits until fd takes more bytes, or until a write can say why it never
// will: 1, or 0 when poll fails or fd is no descriptor (EBADF).
int wait_writable(int fd) {
  pollfd p = {fd, POLLOUT, 0};
  while (poll(&p, 1, -1) < 0)
    if (errno != EINTR) return 0;
  if (p.revents & POLLNVAL) {
    errno = EBADF;
    return 0;
  }
  return 1;
}

}  // namespace

int buffer_init(buffer* b, buffer_op op, int fd, char* storage, size_t capacity) {
  if (!cbuffer_init(&b->ring, storage, capacity)) return 0;
  b->op = op;
  b->fd = fd;
  return 1;
}

ssize_t sanitize_read(ssize_t r) {
  if (r == 0) {
    errno = EPIPE;
    return -1;
  }
  if (r == -1 && errno == EAGAIN) {
    errno = 0;
    return 0;
  }
  return r;
}

ssize_t unsanitize_read(ssize_t r) {
  if (r == 0) {
    errno = EAGAIN;
    return -1;
  }
  if (r == -1 && errno == EPIPE) {
    errno = 0;
    return 0;
  }
  return r;
}

int buffer_flush(buffer* b) {
  int const e = errno;
  for (;;) {
    iovec v[2];
    cbuffer_rpeek(&b->ring, v);
    if (!v[0].iov_len && !v[1].iov_len) return 1;
    ssize_t const r = b->op(b->fd, v, 2);
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A descriptor left non-blocking by whoever passed it to us: a write
      // that would block waits, as it would have on a blocking one.
      if (!wait_writable(b->fd)) return 0;
      errno = e;
      continue;
    }
    if (r <= 0) return 0;
    // rseek caps the count, so an op that claims too much cannot corrupt the ring.
    cbuffer_rseek(&b->ring, static_cast<size_t>(r));
  }
}

int buffer_putall(buffer* b, char const* s, size_t len, size_t* w) {
  if (*w > len) {
    errno = EINVAL;
    return 0;
  }
  for (;;) {
    *w += cbuffer_put(&b->ring, s + *w, len - *w);
    if (*w == len) return 1;
    buffer_flush(b);
    if (!cbuffer_available(&b->ring)) return 0;
  }
}

ssize_t buffer_put(buffer* b, char const* s, size_t len) {
  size_t w = 0;
  return buffer_putall(b, s, len, &w) ? static_cast<ssize_t>(len) : -1;
}

ssize_t buffer_puts(buffer* b, char const* s) {
  return buffer_put(b, s, strlen(s));
}

ssize_t buffer_putflush(buffer* b, char const* s, size_t len) {
  if (buffer_put(b, s, len) < 0 || !buffer_flush(b)) return -1;
  return static_cast<ssize_t>(len);
}

ssize_t buffer_putsflush(buffer* b, char const* s) {
  return buffer_putflush(b, s, strlen(s));
}

ssize_t buffer_fill(buffer* b) {
  if (!cbuffer_available(&b->ring)) {
    errno = ENOBUFS;
    return -1;
  }
  iovec v[2];
  cbuffer_wpeek(&b->ring, v);
  ssize_t const r = b->op(b->fd, v, 2);
  if (r > 0) cbuffer_wseek(&b->ring, static_cast<size_t>(r));
  return r;
}

int buffer_getall(buffer* b, char* s, size_t len, size_t* w) {
  if (*w > len) {
    errno = EINVAL;
    return -1;
  }
  for (;;) {
    *w += cbuffer_get(&b->ring, s + *w, len - *w);
    if (*w == len) return 1;
    ssize_t const r = sanitize_read(buffer_fill(b));
    if (r <= 0) return static_cast<int>(r);
  }
}

ssize_t buffer_get(buffer* b, char* s, size_t len) {
  size_t w = 0;
  ssize_t const r = unsanitize_read(buffer_getall(b, s, len, &w));
  // Bytes already moved into s are no longer in the ring: report them, and
  // let the next call meet the failure (or EAGAIN) again.
  if (r < 0 && !w) return -1;
  return static_cast<ssize_t>(w);
}
