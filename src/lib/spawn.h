// Starting children. pid 0 means failure, with errno set; prog is searched
// for in the calling process's PATH (or the default path) unless it has "/",
// exactly as the exec routines search.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

inline constexpr uint16_t SPAWN_UNBLOCK_SIGNALS = 0x0002;

enum : uint32_t { SPAWN_ACTION_CLOSE = 0, SPAWN_ACTION_MOVE = 2 };

struct spawn_action {
  uint32_t kind;
  union {
    int fd;  // SPAWN_ACTION_CLOSE
    struct {
      unsigned to, from;  // SPAWN_ACTION_MOVE
    } fd2;
  } x;
};

// Search path used when the environment has no PATH: "/usr/local/bin:/usr/bin:/bin"
// unless the build says otherwise.
extern char const SPAWN_DEFAULT_PATH[];

// posix_spawn with the flags and the n actions applied in order. A prog
// without "/" is searched for by exec_path_walk in the process's PATH, or in
// the default path when there is none: empty elements are skipped, and the
// error reported is the one the exec routines would report. The process's
// environment is never changed.
pid_t cspawn(char const* prog, char const* const* argv, char const* const* envp, uint16_t flags,
             spawn_action const* actions, size_t n);
// Child's stdin (to 0) or stdout (to non-zero) on a new pipe, with an empty
// signal mask; *fd receives the caller's end (not close-on-exec). The caller
// keeps no copy of the child's end, so a reader sees end of file once the
// child has exited.
pid_t child_spawn1_pipe(char const* prog, char const* const* argv, char const* const* envp, int* fd,
                        int to);
// Same on the caller's pair p (p[0] reading end); both ends are closed on failure.
pid_t child_spawn1_internal(char const* prog, char const* const* argv, char const* const* envp,
                            int* p, int to);
// Spawn with the modification block applied to envp (envlen entries).
// mspawn_afn fails with EINVAL when nmodifs undercounts the block's entries,
// ENOMEM when a huge environment finds no heap.
pid_t mspawn_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen, uint16_t flags, spawn_action const* actions,
                 size_t n);
pid_t mspawn_afn(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen, size_t nmodifs, uint16_t flags,
                 spawn_action const* actions, size_t n);
// As mspawn_afm; dies with "unable to spawn PROG: ..." and 127 (ENOENT) or 126.
pid_t xmspawn_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                  char const* modifs, size_t modiflen, uint16_t flags, spawn_action const* actions,
                  size_t n);
