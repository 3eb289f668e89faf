// repository init: "tuvo-repo-init" builds the repository from the stores,
// then "tuvo-set-new" gives it its working set. With --update-stores the
// repository exists already, so the first tool is all there is to run.
#include <unistd.h>

#include <cstring>

#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/repository.h"
#include "lib/argv.h"
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
enum : uint32_t { USER, NSLOTS };

constexpr gol_arg rgola[] = {
    {"fdholder-user", USER, 'h'},
};

}  // namespace

void repository_init(char const* const* argv) {
  uint64_t flags = 0;
  char const* values[NSLOTS] = {};
  gol_argv<rgolb, rgola>(argv, &flags, values);  // operands are ignored
  char const* const user = values[USER];

  // Every ":" ends a store; a final ":" starts none; "" is one empty store.
  char const* list = g->storelist;
  size_t const len = strlen(list);
  size_t nstores = len && list[len - 1] == ':' ? 0 : 1;
  for (size_t i = 0; i < len; i++) nstores += list[i] == ':';

  smallbuf<char, 256> copy(len + 1);
  if (!copy) kx_die_argv();
  // Everything but the stores: tool, -v V, -r repodir, -f, -U, -h USER, "--".
  argv_heap<11> v(nstores);
  if (!v) kx_die_argv();
  char fmt[UINT64_FMT];
  auto a = kx_tool_head(v.start(), "tuvo-repo-init", fmt, true)
               .add("-r", g->repodir)
               .add_if(flags & FORCE, "-f")
               .add_if(flags & UPDATE_STORES, "-U")
               .add_if(user, "-h", user)
               .add("--");
  char* s = copy.get();
  memcpy(s, list, len + 1);
  for (size_t i = 0, start = 0, placed = 0; placed < nstores; i++) {
    if (i < len && s[i] != ':') continue;
    s[i] = 0;
    a.push(s + start);
    start = i + 1;
    placed++;
  }
  char const* const* const init = kx_argv(a.end());

  if (flags & UPDATE_STORES) main_exec(init);

  pid_t const pid = main_spawn(init);
  int wstat;
  if (waitpid_nointr(pid, &wstat, 0) != pid) strerr_diesys(EXIT_SYSTEM, {"unable to ", "wait_pid"});
  if (int const code = wait_estatus(wstat)) _exit(code);

  argv_fixed<8> w;
  main_exec(
      kx_tool_head(w.start(), "tuvo-set-new", fmt).add("-r", g->repodir, "--", "current").end());
}
