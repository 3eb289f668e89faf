// tuvo-db: stand-in query tool over the live directory's compiled database.
//
//   tuvo-db [ -v V ] [ -b ] [ -e | -E ] -l LIVEDIR [--] atomics NAME...
//
// Prints the atomic services that the names stand for (a bundle stands for its
// contents), one a line, in the order given, each once. -e (the default)
// leaves essential services out, -E keeps them.
//
// Exit: 0 done, 1 unknown name, 100 usage, 111 system error.
#include <cstdio>
#include <cstdlib>

#include "tbrecord.h"
#include "tbtuvo.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  tbtuvo::options o;
  std::string err;
  if (!tbtuvo::parse_options(argc, argv, "beE", "vl", o, err)) tb_fail(100, err);
  if (!o.value('l') || o.rest >= static_cast<size_t>(argc) ||
      std::string(argv[o.rest]) != "atomics")
    tb_fail(100,
            "usage: tuvo-db [ -v verbosity ] [ -b ] [ -e | -E ] -l livedir [ -- ] "
            "atomics names...");
  tbtuvo::database db;
  if (!tbtuvo::read_compiled(*o.value('l') + "/compiled", db, err)) tb_fail(111, err);
  std::vector<uint32_t> atomics;
  if (!tbtuvo::resolve(db, {argv + o.rest + 1, argv + argc}, atomics, err)) tb_fail(1, err);
  bool essentials = o.last_of("eE") == 'E';
  std::string out;
  for (uint32_t i : atomics)
    if (essentials || !db.essential[i]) out += db.services[i].name + "\n";
  std::fputs(out.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 111;
}
