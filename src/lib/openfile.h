// Opening shorthands for the readers of on-disk data. Each returns a
// descriptor or -1 with errno set.
#pragma once

// O_RDONLY|O_NONBLOCK|O_NOCTTY|O_CLOEXEC: a FIFO does not make it wait for a
// writer, nor a terminal become the controlling one.
int openc_read(char const* path);
int openc_readb(char const* path);              // openc_read, then blocking
int openbc_read(char const* path);              // O_RDONLY|O_CLOEXEC
int open_readat(int dirfd, char const* path);   // O_RDONLY|O_NONBLOCK, no close-on-exec
int open_readatb(int dirfd, char const* path);  // open_readat, then blocking
