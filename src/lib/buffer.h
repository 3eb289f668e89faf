// Buffered descriptor streams over a cbuffer. A stream is used for output or
// for input for its whole life. Nothing here allocates.
#pragma once

#include <sys/types.h>

#include "lib/cbuffer.h"

using buffer_op = ssize_t (*)(int fd, iovec const* v, unsigned n);

struct buffer {
  buffer_op op;
  int fd;
  cbuffer ring;
};

#define BUFFER_INIT(op, fd, storage, capacity) \
  { (op), (fd), CBUFFER_INIT((storage), (capacity)) }

// Standard output (8192 bytes), standard error (1024 bytes) and the echo
// helper's small standard output (512 bytes). Each program links only those
// it names.
extern buffer buffer_1_;
extern buffer buffer_2_;
extern buffer buffer_1small_;
#define buffer_1 (&buffer_1_)
#define buffer_2 (&buffer_2_)
#define buffer_1small (&buffer_1small_)

// 1, or 0 with EINVAL when capacity < 2.
int buffer_init(buffer* b, buffer_op op, int fd, char* storage, size_t capacity);

// Raw read results (count, 0 at end of file, -1/EAGAIN for nothing yet) to the
// stream convention (count, 0 for nothing yet, -1/EPIPE at end of file), and back.
ssize_t sanitize_read(ssize_t r);
ssize_t unsanitize_read(ssize_t r);

// Output. Bytes wait in the ring; nothing is written while they fit.
// putall: *w counts the bytes of s already accepted and is advanced; 1 when all
// len bytes are accepted, 0 on failure (EINVAL when *w > len on entry).
int buffer_putall(buffer* b, char const* s, size_t len, size_t* w);
// len, or -1 (the accepted part stays queued).
ssize_t buffer_put(buffer* b, char const* s, size_t len);
ssize_t buffer_puts(buffer* b, char const* s);
// Writes out everything queued: 1, or 0 with the rest still queued. A
// non-blocking descriptor that is full is waited for (poll), not a failure.
int buffer_flush(buffer* b);
ssize_t buffer_putflush(buffer* b, char const* s, size_t len);
ssize_t buffer_putsflush(buffer* b, char const* s);

// Input. fill: one read into the free space; bytes read, 0 at end of file, -1
// on failure (ENOBUFS when the ring is full).
ssize_t buffer_fill(buffer* b);
// Reads until len bytes are in s: 1 when done, -1 on failure or end of file
// (EPIPE), 0 when a non-blocking descriptor has nothing now. EINVAL when *w > len.
int buffer_getall(buffer* b, char* s, size_t len, size_t* w);
// Up to len bytes: the number obtained (fewer at end of file, 0 at once at
// end of file), or -1. Bytes obtained before a failure or EAGAIN are returned
// as a count; the next call meets the failure.
ssize_t buffer_get(buffer* b, char* s, size_t len);
