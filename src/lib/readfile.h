// Reading whole contents.
#pragma once

#include <sys/types.h>

#include <cstddef>

struct stralloc;

using iofunc = ssize_t (*)(int fd, char* buf, size_t len);

// Calls op while it returns a positive count and bytes remain; returns the
// total moved. End of file and failure both stop it: tell them by errno.
size_t allreadwrite(iofunc op, int fd, char* buf, size_t len);
size_t allread(int fd, char* buf, size_t len);
// allread, then closes fd on every path. The count read (less than len when
// the file ended first), or -1 with errno when a read failed.
ssize_t readnclose(int fd, char* buf, size_t len);
// openbc_read then readnclose.
ssize_t openreadnclose(char const* path, char* buf, size_t len);
// Appends everything until end of file to sa, in chunks of at most 4096
// bytes read straight into its storage. max 0 is no limit; otherwise sa
// never grows past max bytes in all (what it held on entry counts), and a
// stream that fills it to max before end of file fails with ENOBUFS, as does
// a string already at or past max. 1 on success, 0 on failure (what was
// appended stays).
int slurpn(int fd, stralloc* sa, size_t max);
