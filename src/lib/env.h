// Environment vectors and modification blocks. A modification block is a
// run of NUL-terminated entries: "name=value" sets, a bare "name" removes.
// Merged vectors point into the caller's vector and block, never copies.
#pragma once

#include <cstddef>

#include "lib/smallbuf.h"

// Number of entries before the null pointer.
size_t env_len(char const* const* envp);
// Fills v (room for vmax pointers) with envp merged with the block; returns
// the count written, final null included, or 0 when vmax is too small.
// envlen + nmodifs + 1 pointers always suffice (nmodifs: NUL bytes in the
// block). Each entry first removes every entry of its name, so that a
// name given twice by a raw execve cannot slip through: a bare "name" leaves
// none, "name=value" leaves exactly one, its own, at the end. The order of
// the other entries changes. An unterminated last entry is ignored. The
// result is valid while envp's strings and the block are.
size_t env_merge(char const** v, size_t vmax, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen);
// As env_merge; nmodifs is accepted and not needed.
size_t env_mergen(char const** v, size_t vmax, char const* const* envp, size_t envlen,
                  char const* modifs, size_t modiflen, size_t nmodifs);
// Pointers an environment merge keeps in automatic storage before it
// turns to the heap: enough for ordinary environments.
inline constexpr size_t ENV_INLINE = 512;

// envp (envlen entries) merged with the block as env_mergen does it, in
// storage of its own. get() is null when the merge failed: errno ENOMEM
// when a huge environment finds no heap, EINVAL when nmodifs undercounts
// the block's entries.
class env_merged {
 public:
  env_merged(char const* const* envp, size_t envlen, char const* modifs, size_t modiflen,
             size_t nmodifs);
  env_merged(env_merged const&) = delete;
  env_merged& operator=(env_merged const&) = delete;
  char const* const* get() const { return ok_ ? v_.get() : nullptr; }

 private:
  smallbuf<char const*, ENV_INLINE> v_;
  bool ok_ = false;
};

// Points v[0..n-1] at the first n NUL-terminated strings of s. 1, or 0 with
// EINVAL when s holds fewer than n complete strings.
int env_make(char const** v, size_t n, char const* s, size_t len);
