// Opening shorthands. The "b" forms open non-blocking first so that opening
// a FIFO never hangs, then read in blocking mode.
#include "lib/openfile.h"

#include <fcntl.h>

#include "lib/fd.h"

namespace {

int make_blocking(int fd) {
  if (fd < 0) return -1;
  if (ndelay_off(fd) < 0) {
    fd_close(fd);  // keeps ndelay_off's errno
    return -1;
  }
  return fd;
}

}  // namespace

int openc_read(char const* path) {
  return open2(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

int openc_readb(char const* path) {
  return make_blocking(openc_read(path));
}

int openbc_read(char const* path) {
  return open2(path, O_RDONLY | O_CLOEXEC);
}

int open_readat(int dirfd, char const* path) {
  return open2_at(dirfd, path, O_RDONLY | O_NONBLOCK);
}

int open_readatb(int dirfd, char const* path) {
  return make_blocking(open_readat(dirfd, path));
}
