// Replacing the process. Candidates and merged environments live in
// automatic storage: nothing needs freeing when an exec fails, and the
// common path never touches the heap.
#include "lib/exec.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "lib/bytestr.h"
#include "lib/env.h"
#include "lib/exitcode.h"
#include "lib/smallbuf.h"
#include "lib/spawn.h"
#include "lib/strerr.h"

namespace {

// One search-path element of up to PATH_MAX, "/", a program name and the NUL.
constexpr size_t kPathInline = PATH_MAX + NAME_MAX + 2;

void do_execve(char const* file, char const* const* argv, char const* const* envp) {
  execve(file, const_cast<char* const*>(argv), const_cast<char* const*>(envp));
}

}  // namespace

int exec_path_walk(char const* prog, char const* path, int (*attempt)(char const* file, void* ctx),
                   void* ctx) {
  if (!path) {
    errno = EINVAL;
    return 0;
  }
  size_t const plen = strlen(prog);
  if (!plen) {
    errno = ENOENT;  // as execve("") says; "dir/" would only find directories
    return 0;
  }
  // One buffer for all candidates, sized for the longest element.
  size_t longest = 0;
  for (char const* s = path;;) {
    size_t const l = str_chr(s, ':');
    if (l > longest) longest = l;
    if (!s[l]) break;
    s += l + 1;
  }
  smallbuf<char, kPathInline> buf(longest + plen + 2);
  if (!buf) return 0;  // ENOMEM
  char* const cand = buf.get();

  int saved = 0;
  // Nothing tried (no non-empty element) means nothing found.
  int last = ENOENT;
  for (char const* s = path;;) {
    size_t const l = str_chr(s, ':');
    if (l) {  // empty elements never mean the current directory
      memcpy(cand, s, l);
      cand[l] = '/';
      memcpy(cand + l + 1, prog, plen + 1);
      int const e = attempt(cand, ctx);
      if (!e) return 1;
      last = e;
      if (e == EACCES || e == EPERM || e == EISDIR || e == ENOTDIR) {
        saved = e;
      } else if (e != ENOENT) {
        saved = e;
        break;
      }
    }
    if (!s[l]) break;
    s += l + 1;
  }
  errno = saved ? saved : last;
  return 0;
}

void execvep_internal(char const* prog, char const* const* argv, char const* const* envp,
                      char const* path) {
  struct vectors {
    char const* const* argv;
    char const* const* envp;
  } v = {argv, envp};
  exec_path_walk(
      prog, path,
      [](char const* file, void* ctx) {
        auto const* w = static_cast<vectors const*>(ctx);
        do_execve(file, w->argv, w->envp);
        return errno;
      },
      &v);
}

void execvep(char const* prog, char const* const* argv, char const* const* envp, char const* path) {
  if (prog[str_chr(prog, '/')]) {
    do_execve(prog, argv, envp);
    return;
  }
  execvep_internal(prog, argv, envp, path);
}

void exec_ae(char const* prog, char const* const* argv, char const* const* envp) {
  char const* path = getenv("PATH");
  execvep(prog, argv, envp, path ? path : SPAWN_DEFAULT_PATH);
}

void mexec_afn(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
               char const* modifs, size_t modiflen, size_t nmodifs) {
  env_merged const env(envp, envlen, modifs, modiflen, nmodifs);
  if (!env.get()) return;
  exec_ae(prog, argv, env.get());
}

void mexec_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
               char const* modifs, size_t modiflen) {
  mexec_afn(prog, argv, envp, envlen, modifs, modiflen, byte_count(modifs, modiflen, 0));
}

void xmexec_afm(char const* prog, char const* const* argv, char const* const* envp, size_t envlen,
                char const* modifs, size_t modiflen) {
  mexec_afm(prog, argv, envp, envlen, modifs, modiflen);
  strerr_diesys(errno == ENOENT ? EXIT_NOT_FOUND : EXIT_CANNOT_RUN, {"unable to ", "exec ", prog});
}
