// Environment vectors and modification blocks. A modification block is a
// run of NUL-terminated entries: "name=value" sets, a bare "name" removes.
// Merged vectors point into the caller's vector and block, never copies.
#pragma once

#include <cstddef>

// Number of entries before the null pointer.
size_t env_len(char const* const* envp);
// Fills v (room for vmax pointers) with envp merged with the block; returns
// the count written, final null included, or 0 when vmax is too small.
// envlen + nmodifs + 1 pointers always suffice.
size_t env_merge(char const** v, size_t vmax, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen);
size_t env_mergen(char const** v, size_t vmax, char const* const* envp, size_t envlen,
                  char const* modifs, size_t modiflen, size_t nmodifs);
// Points v[0..n-1] at the first n NUL-terminated strings of s. 1, or 0 with
// EINVAL when s holds fewer than n complete strings.
int env_make(char const** v, size_t n, char const* s, size_t len);
