// Everything "orv-send" can express goes to it, with the service
// directories in command-line order.
#include <cstring>

#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

void process_send_svc(char const* opts, char const* const* services, size_t n, uint32_t timeout) {
  size_t const scandirlen = strlen(g->scandir);
  size_t space = 0;
  for (size_t i = 0; i < n; i++) space += scandirlen + strlen(services[i]) + 2;
  smallbuf<char, 1024> dirs(space);
  // "orv-send", opts, "-T" T, "--", the directories, null
  smallbuf<char const*, 64> buf(n + 6);
  if (!dirs || !buf) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build argument vector"});

  char const** v = buf.get();
  char tfmt[UINT64_FMT];
  size_t k = 0;
  v[k++] = "orv-send";
  v[k++] = opts;
  if (timeout) {
    tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
    v[k++] = "-T";
    v[k++] = tfmt;
  }
  v[k++] = "--";
  char* p = dirs.get();
  for (size_t i = 0; i < n; i++) {
    v[k++] = p;
    memcpy(p, g->scandir, scandirlen);
    p += scandirlen;
    *p++ = '/';
    size_t const len = strlen(services[i]) + 1;
    memcpy(p, services[i], len);
    p += len;
  }
  v[k] = nullptr;
  main_exec(v);
}
