// pipeto BLOCK PROG...: runs BLOCK in a child whose standard output is a pipe,
// and becomes PROG with the pipe's read end as standard input. Nobody waits for BLOCK.
#include <unistd.h>

#include <vector>

#include "chain.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "pipeto";
  std::vector<char*> block;
  int next = 0;
  if (!tbchain::parse_block(argv, 1, block, &next) || block.size() < 2 || !argv[next])
    tbchain::die_usage(prog, "pipeto { block } prog...");
  int p[2];
  if (pipe(p) < 0) tbchain::die_sys(prog, "create pipe");
  pid_t pid = fork();
  if (pid < 0) tbchain::die_sys(prog, "fork");
  // The unused end goes first: pipe() may have handed out 0 or 1 itself.
  if (pid == 0) {
    close(p[0]);
    if (tbchain::move_fd(p[1], 1) < 0) tbchain::die_sys(prog, "dup2");
    tbchain::exec_into(prog, block.data());
  }
  close(p[1]);
  if (tbchain::move_fd(p[0], 0) < 0) tbchain::die_sys(prog, "dup2");
  tbchain::exec_into(prog, argv + next);
}
