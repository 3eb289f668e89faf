// Replacing the process. Each returns only on failure, with errno set.
#pragma once

#include <cstddef>

// Searches PATH, or the default path when PATH is unset.
void exec_ae(char const* prog, char const* const* argv, char const* const* envp);
// No search when prog has "/". Empty path elements are skipped (never the
// current folder). EACCES, EPERM, EISDIR and ENOTDIR are remembered and the
// walk goes on; ENOENT is forgotten; any other error ends the walk and is
// reported. The last remembered error wins over ENOENT. errno: EINVAL for a
// null path, ENOENT when prog is empty or no element was tried, ENOMEM when
// a candidate too long for automatic storage finds no heap.
void execvep(char const* prog, char const* const* argv, char const* const* envp, char const* path);
void execvep_internal(char const* prog, char const* const* argv, char const* const* envp,
                      char const* path);
// The search of execvep_internal with another way to run a candidate:
// attempt(file, ctx) returns 0 when it ran file (the walk stops, result 1)
// or the error number of its failure, weighed as the exec's would be.
// Otherwise 0 with errno as execvep_internal leaves it.
int exec_path_walk(char const* prog, char const* path, int (*attempt)(char const* file, void* ctx),
                   void* ctx);
// Exec with the modification block applied to envp (envlen entries).
// mexec_afn fails with EINVAL when nmodifs undercounts the block's entries,
// ENOMEM when a huge environment finds no heap.
void mexec_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
               char const* modifs, size_t modiflen);
void mexec_afn(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
               char const* modifs, size_t modiflen, size_t nmodifs);
// As mexec_afm; dies with "unable to exec PROG: ..." and 127 (ENOENT) or 126.
[[noreturn]] void xmexec_afm(char const* prog, char const* const* argv, char const* const* envp,
                             size_t envlen, char const* modifs, size_t modiflen);
