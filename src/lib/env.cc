// Environment vectors. Nothing is copied: merged vectors point into the
// caller's vector and modification block.
#include "lib/env.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "lib/bytestr.h"

size_t env_len(char const* const* envp) {
  size_t n = 0;
  while (envp[n]) ++n;
  return n;
}

size_t env_merge(char const** v, size_t vmax, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen) {
  if (envlen >= vmax) return 0;
  size_t c = envlen;
  // First bytes present in v: an entry whose first byte is absent has
  // nothing to remove, and most blocks are removals of absent names.
  uint64_t first[4] = {};
  auto mark = [&first](char const* s) {
    auto const b = static_cast<unsigned char>(s[0]);
    first[b >> 6] |= uint64_t{1} << (b & 63);
  };
  for (size_t i = 0; i < envlen; ++i) {
    v[i] = envp[i];
    mark(v[i]);
  }
  size_t off = 0;
  while (off < modiflen) {
    char const* s = modifs + off;
    auto const* end = static_cast<char const*>(memchr(s, 0, modiflen - off));
    // An unterminated last entry is no string: it is ignored rather than
    // read past the block.
    if (!end) break;
    off += static_cast<size_t>(end - s) + 1;
    size_t const l = str_chr(s, '=');
    auto const b = static_cast<unsigned char>(s[0]);
    if (first[b >> 6] & (uint64_t{1} << (b & 63))) {
      // Every entry of the name goes: a raw execve can give a name twice,
      // and a copy left behind would reach the program all the same.
      for (size_t i = 0; i < c;) {
        if (v[i][0] == s[0] && !strncmp(v[i], s, l) && v[i][l] == '=')
          v[i] = v[--c];
        else
          ++i;
      }
    }
    if (s[l] == '=') {
      if (c >= vmax) return 0;
      v[c++] = s;
      mark(s);
    }
  }
  if (c >= vmax) return 0;
  v[c] = nullptr;
  return c + 1;
}

size_t env_mergen(char const** v, size_t vmax, char const* const* envp, size_t envlen,
                  char const* modifs, size_t modiflen, size_t /*nmodifs*/) {
  return env_merge(v, vmax, envp, envlen, modifs, modiflen);
}

env_merged::env_merged(char const* const* envp, size_t envlen, char const* modifs, size_t modiflen,
                       size_t nmodifs)
    : v_(envlen + nmodifs + 1) {
  if (!v_) return;  // ENOMEM
  if (!env_mergen(v_.get(), envlen + nmodifs + 1, envp, envlen, modifs, modiflen, nmodifs)) {
    errno = EINVAL;  // nmodifs undercounts the block
    return;
  }
  ok_ = true;
}

int env_make(char const** v, size_t n, char const* s, size_t len) {
  for (size_t i = 0; i < n; ++i) {
    auto const* end = static_cast<char const*>(memchr(s, 0, len));
    if (!end) {
      errno = EINVAL;
      return 0;
    }
    v[i] = s;
    len -= static_cast<size_t>(end - s) + 1;
    s = end + 1;
  }
  return 1;
}
