// Reading whole contents into a caller's buffer or a stralloc.
#include "lib/readfile.h"

#include <cerrno>

#include "lib/fd.h"
#include "lib/openfile.h"
#include "lib/stralloc.h"

size_t allreadwrite(iofunc op, int fd, char* buf, size_t len) {
  size_t done = 0;
  while (done < len) {
    ssize_t const r = op(fd, buf + done, len - done);
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

size_t allread(int fd, char* buf, size_t len) {
  return allreadwrite(fd_read, fd, buf, len);
}

ssize_t readnclose(int fd, char* buf, size_t len) {
  int const e = errno;
  errno = 0;  // fd_read keeps errno on success, so non-zero afterwards means a failed read
  size_t const r = allread(fd, buf, len);
  fd_close(fd);
  if (errno) return -1;
  errno = e;
  return static_cast<ssize_t>(r);
}

ssize_t openreadnclose(char const* path, char* buf, size_t len) {
  int const fd = openbc_read(path);
  if (fd < 0) return -1;
  return readnclose(fd, buf, len);
}

int slurpn(int fd, stralloc* sa, size_t max) {
  constexpr size_t kChunk = 4096;
  for (;;) {
    size_t chunk = kChunk;
    if (max) {
      // A string already at or past the limit has no room left; checking
      // here keeps max - len from wrapping.
      if (sa->len >= max) {
        errno = ENOBUFS;
        return 0;
      }
      if (max - sa->len < kChunk) chunk = max - sa->len;
    }
    if (!stralloc_readyplus_tuned(sa, chunk, 8, 1, 8)) return 0;
    ssize_t const r = fd_read(fd, sa->data + sa->len, chunk);
    if (r < 0) return 0;
    if (r == 0) return 1;
    sa->len += static_cast<size_t>(r);
  }
}
