// Spawning children over posix_spawn, found by the exec routines' search.
// Merged environments live in automatic storage so that the common spawn
// path never touches the heap.
#include "lib/spawn.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "lib/bytestr.h"
#include "lib/env.h"
#include "lib/exec.h"
#include "lib/exitcode.h"
#include "lib/fd.h"
#include "lib/strerr.h"

namespace {

// What one attempt of the search needs besides the candidate.
struct spawn_call {
  pid_t* pid;
  posix_spawn_file_actions_t const* fa;
  posix_spawnattr_t const* attr;
  char const* const* argv;
  char const* const* envp;
};

int spawn_file(char const* file, void* ctx) {
  auto const* c = static_cast<spawn_call const*>(ctx);
  return posix_spawn(c->pid, file, c->fa, c->attr, const_cast<char* const*>(c->argv),
                     const_cast<char* const*>(c->envp));
}

// A search candidate: one that does not exist costs no child, and the
// error is the one its exec would give.
int spawn_candidate(char const* file, void* ctx) {
  struct stat st;
  if (stat(file, &st) < 0 && errno == ENOENT) return ENOENT;
  return spawn_file(file, ctx);
}

}  // namespace

// Search path used when the environment has no PATH; a build setting, so
// that test builds can put their stand-ins first.
#ifndef ORV_DEFAULT_PATH
#define ORV_DEFAULT_PATH "/usr/local/bin:/usr/bin:/bin"
#endif
char const SPAWN_DEFAULT_PATH[] = ORV_DEFAULT_PATH;

pid_t cspawn(char const* prog, char const* const* argv, char const* const* envp, uint16_t flags,
             spawn_action const* actions, size_t n) {
  // The search is ours, never posix_spawnp's: there an empty element of
  // PATH means the current folder. The process's environment is never
  // touched: a caller may be handing that very array to the child.
  char const* const path = getenv("PATH");
  bool const search = !prog[str_chr(prog, '/')];
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t fa;
  bool attr_ok = false;
  bool fa_ok = false;
  pid_t pid = 0;
  int e = 0;

  if (flags) {
    e = posix_spawnattr_init(&attr);
    if (e) goto out;
    attr_ok = true;
    short sflags = 0;
    if (flags & SPAWN_UNBLOCK_SIGNALS) {
      sigset_t set;
      sigemptyset(&set);
      e = posix_spawnattr_setsigmask(&attr, &set);
      if (e) goto out;
      sflags = POSIX_SPAWN_SETSIGMASK;
    }
    e = posix_spawnattr_setflags(&attr, sflags);
    if (e) goto out;
  }
  if (n) {
    e = posix_spawn_file_actions_init(&fa);
    if (e) goto out;
    fa_ok = true;
    for (size_t i = 0; i < n && !e; ++i) {
      spawn_action const& a = actions[i];
      switch (a.kind) {
        case SPAWN_ACTION_CLOSE:
          e = posix_spawn_file_actions_addclose(&fa, a.x.fd);
          break;
        case SPAWN_ACTION_MOVE: {
          int const to = static_cast<int>(a.x.fd2.to);
          int const from = static_cast<int>(a.x.fd2.from);
          e = posix_spawn_file_actions_adddup2(&fa, from, to);
          if (!e && to != from) e = posix_spawn_file_actions_addclose(&fa, from);
          break;
        }
        default:
          e = EINVAL;
      }
    }
    if (e) goto out;
  }
  {
    spawn_call c = {&pid, fa_ok ? &fa : nullptr, attr_ok ? &attr : nullptr, argv, envp};
    if (search)
      e = exec_path_walk(prog, path ? path : SPAWN_DEFAULT_PATH, spawn_candidate, &c) ? 0 : errno;
    else
      e = spawn_file(prog, &c);
  }

out:
  if (fa_ok) posix_spawn_file_actions_destroy(&fa);
  if (attr_ok) posix_spawnattr_destroy(&attr);
  if (e) {
    errno = e;
    return 0;
  }
  return pid;
}

pid_t child_spawn1_internal(char const* prog, char const* const* argv, char const* const* envp,
                            int* p, int to) {
  spawn_action actions[2];
  actions[0].kind = SPAWN_ACTION_CLOSE;
  actions[0].x.fd = p[1 - to];
  actions[1].kind = SPAWN_ACTION_MOVE;
  actions[1].x.fd2.to = static_cast<unsigned>(to);
  actions[1].x.fd2.from = static_cast<unsigned>(p[to]);
  pid_t const pid = cspawn(prog, argv, envp, SPAWN_UNBLOCK_SIGNALS, actions, 2);
  if (!pid) {
    fd_close(p[1]);
    fd_close(p[0]);
    return 0;
  }
  fd_close(p[to]);
  return pid;
}

pid_t child_spawn1_pipe(char const* prog, char const* const* argv, char const* const* envp, int* fd,
                        int to) {
  int p[2];
  if (pipe(p) < 0) return 0;
  to = !!to;
  pid_t const pid = child_spawn1_internal(prog, argv, envp, p, to);
  if (!pid) return 0;
  *fd = p[1 - to];
  return pid;
}

pid_t mspawn_afn(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen, size_t nmodifs, uint16_t flags,
                 spawn_action const* actions, size_t n) {
  env_merged const env(envp, envlen, modifs, modiflen, nmodifs);
  if (!env.get()) return 0;
  return cspawn(prog, argv, env.get(), flags, actions, n);
}

pid_t mspawn_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                 char const* modifs, size_t modiflen, uint16_t flags, spawn_action const* actions,
                 size_t n) {
  return mspawn_afn(prog, argv, envp, envlen, modifs, modiflen, byte_count(modifs, modiflen, 0),
                    flags, actions, n);
}

pid_t xmspawn_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                  char const* modifs, size_t modiflen, uint16_t flags, spawn_action const* actions,
                  size_t n) {
  pid_t const pid = mspawn_afm(prog, argv, envp, envlen, modifs, modiflen, flags, actions, n);
  if (pid) return pid;
  strerr_diesys(errno == ENOENT ? EXIT_NOT_FOUND : EXIT_CANNOT_RUN, {"unable to ", "spawn ", prog});
}
