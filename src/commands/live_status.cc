// live status: the front end computes no state. It asks the service
// manager's tools for lists of names and hands a chain of small commands,
// grep and sed the job of labelling them "/up" or "/down". With --json it
// runs the same queries and labels the names itself.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/live.h"
#include "commands/orvctl.h"
#include "lib/argv.h"
#include "lib/buffer.h"
#include "lib/bytestr.h"
#include "lib/env.h"
#include "lib/exitcode.h"
#include "lib/fd.h"
#include "lib/fmtscan.h"
#include "lib/gol.h"
#include "lib/json.h"
#include "lib/readfile.h"
#include "lib/smallbuf.h"
#include "lib/spawn.h"
#include "lib/stralloc.h"
#include "lib/strerr.h"
#include "lib/wait.h"

extern char** environ;

namespace {

enum : uint64_t { WITH_ESSENTIALS = 1, JSON = 2 };

constexpr gol_bool rgolb[] = {
    {0, WITH_ESSENTIALS, "without-essentials", 'e'},
    {WITH_ESSENTIALS, 0, "with-essentials", 'E'},
    {JSON, 0, "json", 0},
};

// The chain runs the echo helper from inside blocks of depth 2 and 1.
constexpr char echo2[] = "  " ORV_HELPER_ECHO;
constexpr char echo1[] = " " ORV_HELPER_ECHO;

[[noreturn]] void die_catb() {
  strerr_diesys(EXIT_SYSTEM, {"unable to ", "stralloc_catb"});
}

void catb(stralloc* sa, char const* s, size_t n) {
  if (!stralloc_catb(sa, s, n)) die_catb();
}

void say_fatalsys(char const* what, char const* tool) {
  strerr_fatalsys({"unable to ", what, tool});
}

void say_crashed(char const* tool, int sig) {
  char fmt[UINT64_FMT];
  fmt[uint64_fmt_generic(fmt, static_cast<unsigned>(sig), 10)] = 0;
  strerr_fatal({tool, " crashed with signal ", fmt});
}

// Runs argv with its standard output piped and appends that output to sa.
// 0 when the tool exited 0; otherwise the exit code to use, with the
// diagnostic already printed. sa is put back as it was when the tool could
// not be waited for or crashed; a tool that merely failed leaves it as is,
// since the caller exits anyway.
int slurp_tool(char const* const* argv, stralloc* sa, char const* const* envp = environ) {
  char const* const tool = argv[0];
  int fd;
  pid_t const pid = child_spawn1_pipe(tool, argv, envp, &fd, 1);
  if (!pid) {
    say_fatalsys("spawn ", tool);
    return EXIT_SYSTEM;
  }
  size_t const entrylen = sa->len;
  bool const hadstorage = sa->data != nullptr;
  if (!slurpn(fd, sa, 0)) {
    say_fatalsys("read output from ", tool);
    return EXIT_SYSTEM;
  }
  fd_close(fd);
  int wstat;
  int code = 0;
  if (waitpid_nointr(pid, &wstat, 0) != pid) {
    say_fatalsys("wait for ", tool);
    code = EXIT_SYSTEM;
  } else if (WIFSIGNALED(wstat)) {
    say_crashed(tool, WTERMSIG(wstat));
    code = EXIT_SYSTEM;
  } else {
    return wait_estatus(wstat);  // ended by itself: its own code below 128, else 128
  }
  if (hadstorage)
    sa->len = entrylen;
  else
    stralloc_free(sa);
  return code;
}

int get_atomics(char const* const* names, size_t nnames, stralloc* sa, unsigned with_essentials) {
  argv_heap<7> v(nnames);
  if (!v) kx_die_argv();
  auto a = v.start()
               .add("tuvo-db", "-l", g->livedir, with_essentials ? "-bE" : "-be", "--", "atomics")
               .add_all(names, nnames);
  return slurp_tool(kx_argv(a.end()), sa);
}

[[noreturn]] void live_status_all(unsigned with_essentials) {
  // L at depth 2, then at depth 1, in one block.
  size_t const len = strlen(g->livedir);
  smallbuf<char, 256> lbuf(2 * len + 5);
  if (!lbuf) kx_die_argv();
  char* const l2 = lbuf.get();
  char* const l1 = l2 + len + 3;
  l2[0] = ' ';
  l2[1] = ' ';
  memcpy(l2 + 2, g->livedir, len + 1);
  l1[0] = ' ';
  memcpy(l1 + 1, g->livedir, len + 1);

  // clang-format off
  char const* const v[] = {
      "ifthen",
        " pipeto", "  tuvo", "  -l", l2, with_essentials ? "  -buaE" : "  -buae", "  list", " ",
        " sed", " s|$|/up|",
      "",
      "pipeto", " tuvo", " -l", l1, with_essentials ? " -bdaE" : " -bdae", " list", "",
      "sed", "s|$|/down|",
      nullptr,
  };
  // clang-format on
  static_assert(sizeof v / sizeof v[0] == 21);
  main_pretty_exec(v);
}

[[noreturn]] void live_status_some(char const* const* names, unsigned with_essentials) {
  size_t nnames = 0;
  while (names[nnames]) nnames++;

  // " " ATOMICS "\0" "  " LIST "\0": four chain elements point into it.
  stralloc sa = stralloc_zero;
  catb(&sa, " ", 1);
  if (int const r = get_atomics(names, nnames, &sa, with_essentials)) _exit(r);
  size_t const atomicslen = sa.len - 1;
  catb(&sa, "\0  ", 3);

  char const* const lv[] = {"tuvo", "-l",   g->livedir, with_essentials ? "-baE" : "-bae",
                            "--",   "list", nullptr};
  if (int const r = slurp_tool(lv, &sa)) _exit(r);
  catb(&sa, "", 1);

  char const* const t1 = sa.data;
  char const* const t0 = sa.data + 1;
  char const* const l2 = sa.data + atomicslen + 2;
  char const* const l1 = sa.data + atomicslen + 3;
  // clang-format off
  char const* const v[] = {
      "ifthen",
        " mkpipe", " 3", " 4",
        " spawnbg",
          "  shutfd", "  3", "  fdshift", "  1", "  4", echo2, "  -n", "  --", l2,
        " ",
        " shutfd", " 4", " feedin", " 0", t1,
        " pipeto", "  grep", "  -Fx", "  -f", "  /dev/fd/3", " ",
        " sed", " s|$|/up|",
      "",
      "mkpipe", "3", "4",
      "spawnbg",
        " shutfd", " 3", " fdshift", " 1", " 4", echo1, " -n", " --", l1,
      "",
      "shutfd", "4", "feedin", "0", t0,
      "pipeto", " grep", " -vFx", " -f", " /dev/fd/3", "",
      "sed", "s|$|/down|",
      nullptr,
  };
  // clang-format on
  static_assert(sizeof v / sizeof v[0] == 57);
  main_pretty_exec(v);
}

// The --json form. The queries are the text form's, in the same
// environments: the named ones see the environment as it is, the list tool
// of the all-services chain sees it without the configuration variables.
// Nothing is written until both have succeeded.

struct line {
  char const* s;
  size_t n;
};

bool line_less(line const& a, line const& b) {
  int const c = memcmp(a.s, b.s, std::min(a.n, b.n));
  return c ? c < 0 : a.n < b.n;
}

// Calls f on each line of the n bytes at s: every newline ends one, and
// bytes after the last newline make one more, as grep and sed see them.
template <class F>
void each_line(char const* s, size_t n, F f) {
  while (n) {
    size_t const k = byte_chr(s, n, '\n');
    f(line{s, k});
    if (k == n) break;
    s += k + 1;
    n -= k + 1;
  }
}

size_t count_lines(char const* s, size_t n) {
  size_t const newlines = byte_count(s, n, '\n');
  return newlines + (n && s[n - 1] != '\n');
}

void entry(json* j, line l, bool up) {
  json_object_open(j);
  json_keys(j, "name");
  json_bytes(j, l.s, l.n);
  json_keys(j, "up");
  json_bool(j, up);
  json_object_close(j);
}

[[noreturn]] void finish(json* j) {
  json_array_close(j);
  if (!json_finish(j)) strerr_die_write_stdout();
  _exit(EXIT_OK);
}

[[noreturn]] void live_status_all_json(unsigned with_essentials) {
  kx_tool_env const env;
  if (!env.get()) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build environment"});

  char const* const uv[] = {"tuvo", "-l",   g->livedir, with_essentials ? "-buaE" : "-buae",
                            "list", nullptr};
  char const* const dv[] = {"tuvo", "-l",   g->livedir, with_essentials ? "-bdaE" : "-bdae",
                            "list", nullptr};
  stralloc up = stralloc_zero;
  stralloc down = stralloc_zero;
  if (int const r = slurp_tool(uv, &up, env.get())) _exit(r);
  if (int const r = slurp_tool(dv, &down, env.get())) _exit(r);

  json j;
  json_init(&j, buffer_1);
  json_array_open(&j);
  each_line(up.data, up.len, [&](line l) { entry(&j, l, true); });
  each_line(down.data, down.len, [&](line l) { entry(&j, l, false); });
  finish(&j);
}

[[noreturn]] void live_status_some_json(char const* const* names, unsigned with_essentials) {
  size_t nnames = 0;
  while (names[nnames]) nnames++;
  stralloc atomics = stralloc_zero;
  if (int const r = get_atomics(names, nnames, &atomics, with_essentials)) _exit(r);
  char const* const lv[] = {"tuvo", "-l",   g->livedir, with_essentials ? "-baE" : "-bae",
                            "--",   "list", nullptr};
  stralloc list = stralloc_zero;
  if (int const r = slurp_tool(lv, &list)) _exit(r);

  // The names that are up, sorted, to look each atomic service up in.
  size_t const nup = count_lines(list.data, list.len);
  smallbuf<line, 64> upbuf(nup);
  if (!upbuf) strerr_diesys(EXIT_SYSTEM, {"unable to ", "allocate memory"});
  line* const ups = upbuf.get();
  size_t k = 0;
  each_line(list.data, list.len, [&](line l) { ups[k++] = l; });
  std::sort(ups, ups + nup, line_less);
  auto const isup = [&](line l) { return std::binary_search(ups, ups + nup, l, line_less); };

  json j;
  json_init(&j, buffer_1);
  json_array_open(&j);
  each_line(atomics.data, atomics.len, [&](line l) {
    if (isup(l)) entry(&j, l, true);
  });
  each_line(atomics.data, atomics.len, [&](line l) {
    if (!isup(l)) entry(&j, l, false);
  });
  finish(&j);
}

}  // namespace

void live_status(char const* const* argv) {
  uint64_t flags = 0;
  argv += gol_argv<rgolb>(argv, &flags);
  unsigned const with_essentials = flags & WITH_ESSENTIALS;
  if (flags & JSON) {
    if (*argv) live_status_some_json(argv, with_essentials);
    live_status_all_json(with_essentials);
  }
  if (*argv) live_status_some(argv, with_essentials);
  live_status_all(with_essentials);
}
