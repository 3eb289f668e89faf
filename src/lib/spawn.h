// Starting children. pid 0 means failure, with errno set; prog is searched
// for in the calling process's PATH (or the default path) unless it has "/".
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

// Search path used when the environment has no PATH.
inline constexpr char const SPAWN_DEFAULT_PATH[] = "/usr/local/bin:/usr/bin:/bin";

pid_t cspawn(char const* prog, char const* const* argv, char const* const* envp, uint16_t flags,
             spawn_action const* actions, size_t n);
// Child's stdin (to 0) or stdout (to non-zero) on a new pipe; *fd receives
// the caller's end.
pid_t child_spawn1_pipe(char const* prog, char const* const* argv, char const* const* envp,
                        int* fd, int to);
// Same on the caller's pair p (p[0] reading end); both ends are closed on failure.
pid_t child_spawn1_internal(char const* prog, char const* const* argv, char const* const* envp,
                            int* p, int to);
pid_t mspawn_afm(char const* prog, char const* const* argv, char const* const* envp,
                 size_t envlen, char const* modifs, size_t modiflen, uint16_t flags,
                 spawn_action const* actions, size_t n);
pid_t mspawn_afn(char const* prog, char const* const* argv, char const* const* envp,
                 size_t envlen, char const* modifs, size_t modiflen, size_t nmodifs,
                 uint16_t flags, spawn_action const* actions, size_t n);
// As mspawn_afm; dies with "unable to spawn PROG: ..." and 127 (ENOENT) or 126.
pid_t xmspawn_afm(char const* prog, char const* const* argv, char const* const* envp,
                  size_t envlen, char const* modifs, size_t modiflen, uint16_t flags,
                  spawn_action const* actions, size_t n);
