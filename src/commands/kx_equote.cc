#include <cstring>

#include "commands/equote.h"

size_t kx_equote_space(char const* const* argv, size_t n, char const* prefix) {
  size_t per = prefix ? strlen(prefix) + 3 : 2;
  size_t total = n * per;
  for (size_t i = 0; i < n; i++) total += strlen(argv[i]);
  return total;
}

size_t kx_equote(char const** out, char const* const* argv, size_t n, char const* prefix,
                 char* storage) {
  size_t plen = prefix ? strlen(prefix) : 0;
  for (size_t i = 0; i < n; i++) {
    out[i] = storage;
    *storage++ = ' ';
    if (prefix) {
      // The prefix is followed by "/" and the element with its NUL.
      memcpy(storage, prefix, plen);  // NOLINT(bugprone-not-null-terminated-result)
      storage += plen;
      *storage++ = '/';
    }
    size_t len = strlen(argv[i]) + 1;
    memcpy(storage, argv[i], len);
    storage += len;
  }
  out[n] = "";
  return n + 1;
}
