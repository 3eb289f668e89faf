#include "lib/path.h"

#include <cstring>

namespace {

char* put(char* p, char const* s, size_t len) {
  memcpy(p, s, len);
  return p + len;
}

}  // namespace

size_t path_len(char const* a, char const* b, char const* c) {
  return strlen(a) + strlen(b) + strlen(c) + 1;
}

char* path_put(char* p, char const* a, char const* b, char const* c) {
  p = put(p, a, strlen(a));
  p = put(p, b, strlen(b));
  p = put(p, c, strlen(c));
  *p++ = 0;
  return p;
}

path_join::path_join(char const* a, char const* b, char const* c) : buf_(path_len(a, b, c)) {
  if (buf_) path_put(buf_.get(), a, b, c);
}
