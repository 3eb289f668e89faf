// Opening shorthands for the readers of on-disk data. Each returns a
// descriptor or -1 with errno set.
#pragma once

int openc_read(char const* path);               // O_RDONLY|O_NONBLOCK|O_CLOEXEC
int openc_readb(char const* path);              // openc_read, then blocking
int openbc_read(char const* path);              // O_RDONLY|O_CLOEXEC
int open_readat(int dirfd, char const* path);   // O_RDONLY|O_NONBLOCK, no close-on-exec
int open_readatb(int dirfd, char const* path);  // open_readat, then blocking
