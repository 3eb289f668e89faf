// Every process subcommand first makes sure each name has a service
// directory in the scan directory, before anything is run.
#include <sys/stat.h>

#include <cerrno>

#include "commands/orvctl.h"
#include "commands/process.h"
#include "lib/exitcode.h"
#include "lib/path.h"
#include "lib/strerr.h"

namespace {

// 1: scandir/name is a directory (symbolic links followed); 0: it does not
// exist or is something else; -1: it cannot be examined, errno set.
int check_service(char const* name) {
  process_dir const path(name);
  if (!path) return -1;
  struct stat st;
  if (stat(path.get(), &st) < 0) return errno == ENOENT ? 0 : -1;
  return S_ISDIR(st.st_mode) ? 1 : 0;
}

}  // namespace

size_t process_dir_len(char const* name) {
  return path_len(g->scandir, "/", name);
}

char* process_dir_put(char* p, char const* name) {
  return path_put(p, g->scandir, "/", name);
}

void process_check_services(char const* const* services, size_t n) {
  for (size_t i = 0; i < n; i++) {
    int const r = check_service(services[i]);
    if (r == 0)
      strerr_die(EXIT_USAGE,
                 {services[i], " is not registered as a supervised service in ", g->scandir});
    if (r < 0) strerr_diesys(EXIT_SYSTEM, {"unable to ", "stat ", g->scandir, "/", services[i]});
  }
}
