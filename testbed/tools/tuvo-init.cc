// tuvo-init [-v V] [-p PREFIX] [-b] -l LIVEDIR -c COMPILED [--] SCANDIR
//
// Stand-in initialiser: makes LIVEDIR (and missing parents) hold
//   compiled/  a copy of the COMPILED folder (n, db, lock and side files)
//   state      one byte per atomic service, all down (0)
//   lock       the live directory's lock file, empty
// so that tuvo, tuvo-db and the front end can work on it. Tests and the
// sandbox may run it directly. PREFIX and SCANDIR are accepted and not used.
// A live directory that already has a state is left alone (exit 1), as a
// real initialiser must not clobber a running system.
//
// Exit: 0 initialised, 1 refused (bad database, already initialised),
// 100 usage, 111 system error.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tbrecord.h"
#include "tbtuvo.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  tb_record(argc, argv);
  tbtuvo::options o;
  std::string err;
  if (!tbtuvo::parse_options(argc, argv, "b", "vplc", o, err)) tb_fail(100, err);
  if (!o.value('l') || !o.value('c') || o.rest + 1 != static_cast<size_t>(argc))
    tb_fail(100,
            "usage: tuvo-init [ -v verbosity ] [ -p prefix ] [ -b ] -l livedir -c compiled "
            "[ -- ] scandir");
  std::string livedir = *o.value('l'), compiled = *o.value('c');

  tbtuvo::database db;
  if (!tbtuvo::read_compiled(compiled, db, err)) tb_fail(1, err);
  if (fs::exists(livedir + "/state")) tb_fail(1, "live directory already initialised: " + livedir);

  std::error_code ec;
  fs::create_directories(livedir, ec);
  if (ec) tb_fail(111, "unable to mkdir " + livedir + ": " + ec.message());
  std::string dest = livedir + "/compiled";
  fs::remove_all(dest, ec);
  fs::create_directory(dest, ec);
  if (ec) tb_fail(111, "unable to mkdir " + dest + ": " + ec.message());
  for (auto const& entry : fs::directory_iterator(compiled, ec)) {
    if (!entry.is_regular_file()) continue;
    fs::copy_file(entry.path(), dest / entry.path().filename(), ec);
    if (ec) tb_fail(111, "unable to copy " + entry.path().string() + ": " + ec.message());
  }
  if (ec) tb_fail(111, "unable to read " + compiled + ": " + ec.message());
  // The compiled lock must exist for shared locking even if the source lacked it.
  if (!fs::exists(dest + "/lock") && !tbtuvo::spew(dest + "/lock", "", err)) tb_fail(111, err);
  if (!tbtuvo::spew(livedir + "/lock", "", err)) tb_fail(111, err);
  if (!tbtuvo::write_state(livedir, std::string(db.services.size(), '\0'), err)) tb_fail(111, err);
  return 0;
}
