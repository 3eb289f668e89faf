// spawnbg BLOCK PROG...: starts BLOCK as a child and becomes PROG at once,
// without waiting for BLOCK.
#include <vector>

#include "chain.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char const* prog = "spawnbg";
  std::vector<char*> block;
  int next = 0;
  if (!tbchain::parse_block(argv, 1, block, &next) || block.size() < 2 || !argv[next])
    tbchain::die_usage(prog, "spawnbg { block } prog...");
  tbchain::spawn(prog, block.data());
  tbchain::exec_into(prog, argv + next);
}
