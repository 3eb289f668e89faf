// Every process subcommand first makes sure each name has a service
// directory in the scan directory, before anything is run.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "commands/orvctl.h"
#include "lib/exitcode.h"
#include "lib/smallbuf.h"
#include "lib/strerr.h"

namespace {

// 1: scandir/name is a directory (symbolic links followed); 0: it does not
// exist or is something else; -1: it cannot be examined, errno set.
int check_service(char const* name, size_t scandirlen) {
  size_t const namelen = strlen(name);
  smallbuf<char, 256> path(scandirlen + namelen + 2);
  if (!path) return -1;
  char* p = path.get();
  memcpy(p, g->scandir, scandirlen);
  p[scandirlen] = '/';
  memcpy(p + scandirlen + 1, name, namelen + 1);
  struct stat st;
  if (stat(p, &st) < 0) return errno == ENOENT ? 0 : -1;
  return S_ISDIR(st.st_mode) ? 1 : 0;
}

}  // namespace

void process_check_services(char const* const* services, size_t n) {
  size_t const scandirlen = strlen(g->scandir);
  for (size_t i = 0; i < n; i++) {
    int const r = check_service(services[i], scandirlen);
    if (r == 0)
      strerr_die(EXIT_USAGE,
                 {services[i], " is not registered as a supervised service in ", g->scandir});
    if (r < 0) strerr_diesys(EXIT_SYSTEM, {"unable to ", "stat ", g->scandir, "/", services[i]});
  }
}
