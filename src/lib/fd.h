// Descriptor wrappers. Unless said otherwise each retries on EINTR, returns
// -1 with errno from the call on any other failure, and restores errno to its
// entry value on success.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

ssize_t fd_read(int fd, char* buf, size_t len);
ssize_t fd_write(int fd, char const* buf, size_t len);
ssize_t fd_readv(int fd, iovec const* v, unsigned n);
ssize_t fd_writev(int fd, iovec const* v, unsigned n);
int open2(char const* path, int flags);
int open3(char const* path, int flags, unsigned mode);
int open2_at(int dirfd, char const* path, int flags);

// close() once, result ignored, errno preserved.
void fd_close(int fd);
// dup2(from, to); to == from fails with EINVAL. Returns to, or -1.
int fd_copy(int to, int from);
// Clears close-on-exec: 0, or -1.
int uncoe(int fd);
// Moves from onto to and closes from: 0, or -1 leaving both as they were.
// With to == from only clears close-on-exec.
int fd_move(int to, int from);
// Clears O_NONBLOCK: 0, or -1 (no EINTR retry, errno not restored).
int ndelay_off(int fd);
// POSIX record lock over the whole file: exclusive when w, shared otherwise;
// waits unless nb. 1 held; 0 held by another process (only with nb; errno
// restored); -1 other failure. Released when the process closes any
// descriptor of the file or exits.
int fd_lock(int fd, int w, int nb);
// Puts /dev/null on each of 0, 1 and 2 that is closed, so that nothing the
// program opens later lands there. It is opened the wrong way round (0
// write-only, 1 and 2 read-only) so that using it fails with EBADF exactly
// as the closed descriptor did. It is inherited, not close-on-exec: a
// program run from here with the descriptor closed would open its first
// file there and take it for its standard stream. Without /dev/null the
// descriptors stay closed.
void fd_std_fill();
