// mkpipe R W PROG...: creates a pipe whose read end is descriptor R and write
// end descriptor W (both kept across exec), then becomes PROG.
#include <fcntl.h>
#include <unistd.h>

#include "chain.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "mkpipe";
  int r, w;
  if (argc < 4 || !tbchain::parse_fd(argv[1], &r) || !tbchain::parse_fd(argv[2], &w) || r == w)
    tbchain::die_usage(prog, "mkpipe R W prog...");
  int p[2];
  if (pipe(p) < 0) tbchain::die_sys(prog, "create pipe");
  // The write end must not sit on R, or putting the read end there would close it.
  if (p[1] == r) {
    int d = fcntl(p[1], F_DUPFD, 0);
    if (d < 0) tbchain::die_sys(prog, "dup");
    close(p[1]);
    p[1] = d;
  }
  if (tbchain::move_fd(p[0], r) < 0 || tbchain::move_fd(p[1], w) < 0)
    tbchain::die_sys(prog, "dup2");
  tbchain::exec_into(prog, argv + 3);
}
