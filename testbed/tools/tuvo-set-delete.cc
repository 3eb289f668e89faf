// tuvo-set-delete [-v V] -r REPODIR [--] NAME...
//
// Stand-in for the remover of saved sets behind `orv set delete`. In a
// testbed repository (one with a folder REPODIR/sets) it removes each
// REPODIR/sets/NAME; when one of them does not exist it removes none.
// Anywhere else it only records the call.
//
// Exit: 0 removed (or only recorded), 1 no such set, 100 usage, 111 system
// error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tbrecord.h"
#include "tbtuvo.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  tb_record(argc, argv);
  tbtuvo::options o;
  std::string err;
  if (!tbtuvo::parse_options(argc, argv, "", "vr", o, err)) tb_fail(100, err);
  if (!o.value('r') || o.rest >= static_cast<size_t>(argc))
    tb_fail(100, "usage: tuvo-set-delete [ -v verbosity ] -r repodir [ -- ] names...");
  fs::path sets = fs::path(*o.value('r')) / "sets";
  std::error_code ec;
  if (!fs::is_directory(sets, ec)) return 0;

  for (int i = static_cast<int>(o.rest); i < argc; ++i) {
    std::string name = argv[i];
    // "current" is the working set, never a saved one; "..", "" or a path
    // would reach outside the sets.
    if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos)
      tb_fail(100, "invalid set name: " + name);
    if (name == "current" || !fs::exists(sets / name, ec)) tb_fail(1, "no such set: " + name);
  }
  for (int i = static_cast<int>(o.rest); i < argc; ++i) {
    fs::remove_all(sets / argv[i], ec);
    if (ec) tb_fail(111, "unable to remove " + (sets / argv[i]).string() + ": " + ec.message());
  }
  return 0;
}
