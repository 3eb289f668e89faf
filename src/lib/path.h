// Paths made by joining: a directory and what follows it ("/lock", or "/"
// and a name), never normalised. The one place where such joins are sized.
#pragma once

#include <cstddef>

#include "lib/smallbuf.h"

// Bytes of a, b and c joined, the closing NUL included.
size_t path_len(char const* a, char const* b, char const* c = "");

// Writes a, b, c and a NUL at p; returns the byte after the NUL.
// REQUIRES: p has room for path_len(a, b, c) bytes.
char* path_put(char* p, char const* a, char const* b, char const* c = "");

// a, b and c joined in storage of its own: inline for ordinary paths, the
// heap beyond. get() is null (errno ENOMEM) when the storage cannot be had.
class path_join {
 public:
  path_join(char const* a, char const* b, char const* c = "");
  path_join(path_join const&) = delete;
  path_join& operator=(path_join const&) = delete;
  char const* get() const { return buf_.get(); }
  explicit operator bool() const { return buf_.get() != nullptr; }

 private:
  smallbuf<char, 256> buf_;
};
