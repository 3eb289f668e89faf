// orv-send [-LETTERS]... [-T MS] [--] SERVICEDIR...: the control tool. Checks every
// directory first, then applies the letters to each in order: u/U write "up" (the
// recorded pid if one is already up, else the never-live tbsv::kFakePid) stamped now,
// d/D write "down" (pid 0), r restamps a running service. Signal letters
// (h i q b k a t p c y 1 2) and the waits wU/wD/wR change nothing: nothing real runs,
// and every state change above is complete when the record is written.
// Unknown letter: 100; a missing directory or an unwritable record: 111.
#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "svstatus_write.h"
#include "tbrecord.h"

namespace {

char const kUsage[] =
    "orv-send [ -udUDrhiqbkatpcy12 ] [ -wU | -wD | -wR ] [ -T timeout ] -- servicedir...";

[[noreturn]] void usage() {
  std::fprintf(stderr, "orv-send: usage: %s\n", kUsage);
  std::exit(100);
}

[[noreturn]] void fatal(int code, std::string const& msg) {
  std::fprintf(stderr, "orv-send: fatal: %s\n", msg.c_str());
  std::exit(code);
}

bool is_signal_letter(char c) {
  return std::string_view("hiqbkatpcy12").find(c) != std::string_view::npos;
}

void apply(char letter, std::string const& dir) {
  tbsv::record r;
  if (tbsv::read(dir, r) < 0) {
    r = tbsv::record{};
    tbsv::stamp(r);
  }
  switch (letter) {
    case 'u':
    case 'U':
      if (tbsv::pid32(r) != 0) return;
      r.pid = tbsv::kFakePid;
      r.wstat = 0;
      break;
    case 'd':
    case 'D':
      if (tbsv::pid32(r) == 0) return;
      r.pid = 0;
      break;
    case 'r':
      if (tbsv::pid32(r) == 0) return;
      break;
    default:
      return;
  }
  tbsv::stamp(r);
  if (tbsv::write(dir, r) < 0) fatal(111, "unable to control " + dir + ": " + strerror(errno));
}

}  // namespace

int main(int argc, char** argv) {
  tb_record(argc, argv);
  std::string letters;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.size() < 2 || a[0] != '-') break;
    if (a == "-T") {
      char const* t = i + 1 < argc ? argv[++i] : "";
      if (!*t || strspn(t, "0123456789") != strlen(t)) usage();
      continue;
    }
    for (std::size_t k = 1; k < a.size(); ++k) {
      char c = a[k];
      if (c == 'w') {
        // Every change is written at once, so there is nothing to wait for.
        if (k + 1 >= a.size() || std::string_view("UDR").find(a[k + 1]) == std::string_view::npos)
          fatal(100, std::string("unknown command letter: w") +
                         (k + 1 < a.size() ? a.substr(k + 1, 1) : ""));
        ++k;
      } else if (std::string_view("udUDr").find(c) != std::string_view::npos ||
                 is_signal_letter(c)) {
        letters += c;
      } else {
        fatal(100, std::string("unknown command letter: ") + c);
      }
    }
  }
  if (i >= argc) usage();
  std::vector<std::string> dirs(argv + i, argv + argc);
  for (auto const& d : dirs) {
    struct stat st;
    if (stat(d.c_str(), &st) < 0) fatal(111, "unable to control " + d + ": " + strerror(errno));
    if (!S_ISDIR(st.st_mode)) fatal(111, "unable to control " + d + ": " + strerror(ENOTDIR));
  }
  for (auto const& d : dirs)
    for (char c : letters) apply(c, d);
  return 0;
}
