// tuvo-set-copy [-v V] -r REPODIR [-f] [--] SOURCE DESTINATION
//
// Stand-in for the set copier behind `orv set save` and `orv set load`. In a
// testbed repository (one with a folder REPODIR/sets) it copies the set
// REPODIR/sets/SOURCE to REPODIR/sets/DESTINATION, replacing it only with -f.
// The working set "current" may not exist yet: it then counts as empty.
// Anywhere else it only records the call, so tests that check vectors against
// the default repository touch nothing on the machine.
//
// Exit: 0 copied (or only recorded), 1 refused (no such set, destination
// exists), 100 usage, 111 system error.
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
  if (!tbtuvo::parse_options(argc, argv, "f", "vr", o, err)) tb_fail(100, err);
  if (!o.value('r') || o.rest + 2 != static_cast<size_t>(argc))
    tb_fail(100,
            "usage: tuvo-set-copy [ -v verbosity ] -r repodir [ -f ] [ -- ] source destination");
  fs::path sets = fs::path(*o.value('r')) / "sets";
  std::error_code ec;
  if (!fs::is_directory(sets, ec)) return 0;

  std::string source = argv[o.rest], destination = argv[o.rest + 1];
  // "..", "" or a path would reach outside the sets.
  for (std::string const& name : {source, destination})
    if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos)
      tb_fail(100, "invalid set name: " + name);
  fs::path from = sets / source, to = sets / destination;
  bool const have_source = fs::exists(from, ec);
  if (!have_source && source != "current") tb_fail(1, "no such set: " + source);
  if (fs::exists(to, ec)) {
    if (!o.has('f')) tb_fail(1, "set already exists: " + destination);
    fs::remove_all(to, ec);
    if (ec) tb_fail(111, "unable to remove " + to.string() + ": " + ec.message());
  }
  if (have_source)
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  else
    fs::create_directory(to, ec);
  if (ec)
    tb_fail(111, "unable to copy " + from.string() + " to " + to.string() + ": " + ec.message());
  return 0;
}
