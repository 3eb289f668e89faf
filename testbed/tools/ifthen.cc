// ifthen BLOCK PROG...: runs BLOCK as a child and waits for it; becomes PROG only
// when BLOCK exited 0, otherwise exits with BLOCK's code (128 + n for signal n).
#include <vector>

#include "chain.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "ifthen";
  std::vector<char*> block;
  int next = 0;
  if (!tbchain::parse_block(argv, 1, block, &next) || block.size() < 2 || !argv[next])
    tbchain::die_usage(prog, "ifthen { block } prog...");
  int code = tbchain::wait_code(prog, tbchain::spawn(prog, block.data()));
  if (code != 0) return code;
  tbchain::exec_into(prog, argv + next);
}
