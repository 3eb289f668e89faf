// Descriptor wrappers: EINTR is retried, and a successful call leaves errno
// as the caller had it, so callers can test errno after a run of calls.
#include "lib/fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Runs call() until it does not fail with EINTR; restores errno on success.
template <class F>
auto retry(F call) {
  int const e = errno;
  for (;;) {
    auto r = call();
    if (r >= 0) {
      errno = e;
      return r;
    }
    if (errno != EINTR) return r;
  }
}

}  // namespace

ssize_t fd_readv(int fd, iovec const* v, unsigned n) {
  return retry([&] { return readv(fd, v, static_cast<int>(n)); });
}

ssize_t fd_writev(int fd, iovec const* v, unsigned n) {
  return retry([&] { return writev(fd, v, static_cast<int>(n)); });
}

ssize_t fd_read(int fd, char* buf, size_t len) {
  return retry([&] { return read(fd, buf, len); });
}

ssize_t fd_write(int fd, char const* buf, size_t len) {
  return retry([&] { return write(fd, buf, len); });
}

int open2(char const* path, int flags) {
  return retry([&] { return open(path, flags); });
}

int open3(char const* path, int flags, unsigned mode) {
  return retry([&] { return open(path, flags, static_cast<mode_t>(mode)); });
}

int open2_at(int dirfd, char const* path, int flags) {
  return retry([&] { return openat(dirfd, path, flags); });
}

void fd_close(int fd) {
  int const e = errno;
  close(fd);  // no retry: after EINTR the descriptor state is unspecified
  errno = e;
}

int fd_copy(int to, int from) {
  if (to == from) {
    errno = EINVAL;
    return -1;
  }
  return retry([&] { return dup2(from, to); });
}

int uncoe(int fd) {
  int const flags = fcntl(fd, F_GETFD);
  if (flags < 0) return -1;
  if (!(flags & FD_CLOEXEC)) return 0;
  return fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC) < 0 ? -1 : 0;
}

int fd_move(int to, int from) {
  if (to == from) return uncoe(from);
  if (retry([&] { return dup2(from, to); }) < 0) return -1;
  fd_close(from);
  return 0;
}

int ndelay_off(int fd) {
  int const flags = fcntl(fd, F_GETFL);
  if (flags < 0) return -1;
  if (!(flags & O_NONBLOCK)) return 0;
  return fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

int fd_lock(int fd, int w, int nb) {
  struct flock fl {};
  fl.l_type = w ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // to the end of the file, however it grows
  int const e = errno;
  int const r = retry([&] { return fcntl(fd, nb ? F_SETLK : F_SETLKW, &fl); });
  if (r >= 0) return 1;
  if (errno == EACCES || errno == EAGAIN) {
    errno = e;
    return 0;
  }
  return -1;
}

void fd_std_fill() {
  int const e = errno;
  for (int fd = 0; fd < 3; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0) continue;
    // The lowest free descriptor is fd: those below it are open.
    // Inherited on purpose: the programs run from here must find it too.
    if (open("/dev/null", fd ? O_RDONLY : O_WRONLY) < 0) break;
  }
  errno = e;
}
