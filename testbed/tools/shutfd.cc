// shutfd FD PROG...: closes descriptor FD, then becomes PROG. A descriptor that
// is not open is not an error: the aim is that PROG does not have it.
#include <unistd.h>

#include "chain.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "shutfd";
  int fd;
  if (argc < 3 || !tbchain::parse_fd(argv[1], &fd)) tbchain::die_usage(prog, "shutfd FD prog...");
  close(fd);
  tbchain::exec_into(prog, argv + 2);
}
