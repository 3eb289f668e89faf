// feedin FD TEXT PROG...: makes descriptor FD read exactly TEXT, then becomes PROG.
// TEXT goes into an anonymous file rather than a pipe, so no writer process can
// block on a reader that waits for something else first.
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "chain.h"
#include "tbrecord.h"

namespace {

int anonymous_file() {
  int fd = memfd_create("feedin", 0);
  if (fd >= 0 || errno != ENOSYS) return fd;
  char const* tmp = getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/feedin.XXXXXX";
  fd = mkstemp(path.data());
  if (fd >= 0) unlink(path.c_str());
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "feedin";
  int target;
  if (argc < 4 || !tbchain::parse_fd(argv[1], &target))
    tbchain::die_usage(prog, "feedin FD TEXT prog...");
  int fd = anonymous_file();
  if (fd < 0) tbchain::die_sys(prog, "create a file for the text");
  char const* p = argv[2];
  size_t n = strlen(p);
  while (n) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) tbchain::die_sys(prog, "write the text");
    p += w;
    n -= static_cast<size_t>(w);
  }
  if (lseek(fd, 0, SEEK_SET) < 0) tbchain::die_sys(prog, "rewind the text");
  if (tbchain::move_fd(fd, target) < 0) tbchain::die_sys(prog, "move descriptor");
  tbchain::exec_into(prog, argv + 3);
}
