// repository init: "tuvo-repo-init" builds the repository from the stores,
// then "tuvo-set-new" gives it its working set. With --update-stores the
// repository exists already, so the first tool is all there is to run.
#include <unistd.h>

#include <cstring>

#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"
#include "lib/wait.h"

namespace {

enum : uint64_t { FORCE = 1, UPDATE_STORES = 2 };

constexpr gol_bool rgolb[] = {
    {FORCE, 0, "force", 'f'},
    {UPDATE_STORES, 0, "update-stores", 'U'},
};
constexpr gol_arg rgola[] = {
    {"fdholder-user", 0, 'h'},
};

// Everything but the stores: tool, -v V, -r repodir, -f, -U, -h USER, "--",
// and the closing null.
constexpr size_t FIXED_ELEMENTS = 11;

}  // namespace

void repository_init(char const* const* argv) {
  uint64_t flags = 0;
  char const* user = nullptr;
  gol_argv(argv, rgolb, 2, rgola, 1, &flags, &user);  // operands are ignored

  // Every ":" ends a store; a final ":" starts none; "" is one empty store.
  char const* list = g->storelist;
  size_t const len = strlen(list);
  size_t nstores = len && list[len - 1] == ':' ? 0 : 1;
  for (size_t i = 0; i < len; i++) nstores += list[i] == ':';

  smallbuf<char, 256> copy(len + 1);
  smallbuf<char const*, 32> buf(FIXED_ELEMENTS + nstores);
  if (!copy || !buf) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});
  char const** v = buf.get();
  char fmt[UINT64_FMT];
  size_t n = kx_tool_head(v, "tuvo-repo-init", fmt, true);
  v[n++] = "-r";
  v[n++] = g->repodir;
  if (flags & FORCE) v[n++] = "-f";
  if (flags & UPDATE_STORES) v[n++] = "-U";
  if (user) {
    v[n++] = "-h";
    v[n++] = user;
  }
  v[n++] = "--";
  char* s = copy.get();
  memcpy(s, list, len + 1);
  for (size_t i = 0, start = 0, placed = 0; placed < nstores; i++) {
    if (i < len && s[i] != ':') continue;
    s[i] = 0;
    v[n++] = s + start;
    start = i + 1;
    placed++;
  }
  v[n] = nullptr;

  if (flags & UPDATE_STORES) main_exec(v);

  pid_t const pid = main_spawn(v);
  int wstat;
  if (waitpid_nointr(pid, &wstat, 0) != pid) strerr_diesys(EXIT_SYSTEM, {"unable to ", "wait_pid"});
  if (int const code = wait_estatus(wstat)) _exit(code);

  n = 0;
  v[n++] = "tuvo-set-new";
  if (g->verbosity != 1) {
    v[n++] = "-v";
    v[n++] = fmt;
  }
  v[n++] = "-r";
  v[n++] = g->repodir;
  v[n++] = "--";
  v[n++] = "current";
  v[n] = nullptr;
  main_exec(v);
}
