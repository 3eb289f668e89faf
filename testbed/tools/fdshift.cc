// fdshift TO FROM PROG...: moves descriptor FROM to number TO (FROM is closed),
// then becomes PROG.
#include "chain.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "fdshift";
  int to, from;
  if (argc < 4 || !tbchain::parse_fd(argv[1], &to) || !tbchain::parse_fd(argv[2], &from))
    tbchain::die_usage(prog, "fdshift TO FROM prog...");
  if (tbchain::move_fd(from, to) < 0) tbchain::die_sys(prog, "move descriptor");
  tbchain::exec_into(prog, argv + 3);
}
