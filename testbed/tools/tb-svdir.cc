// tb-svdir SCANDIR NAME [WORD...]: creates SCANDIR/NAME (and its parents; NAME
// may be "svc/log" for a logger directory) and writes its supervise/status record.
// Starts from the existing record, or from "down, stamped now" when there is none,
// then applies the words in order:
//   up PID       process id PID (decimal, non-zero)
//   down         process id 0
//   rawpid N     the whole 64-bit pid field (e.g. 4294967295: -1 in its low 32 bits)
//   flags N      the flag byte, 0..255 (0x02: the pid must not be signalled)
//   wstat N      the 16-bit wait status
//   age S        both stamps S seconds in the past (up/down alone stamp now)
//   short N      write only the first N (< 35) bytes: a damaged record
//   nostatus     remove the record, keep the directory
// A test helper, not a stand-in: it records nothing and obeys no control file.
#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "svstatus_write.h"

namespace {

char const kUsage[] =
    "tb-svdir SCANDIR NAME [up PID | down | rawpid N | flags N | wstat N | age S | short N | "
    "nostatus]...";

[[noreturn]] void usage() {
  std::fprintf(stderr, "tb-svdir: usage: %s\n", kUsage);
  std::exit(100);
}

[[noreturn]] void fail(std::string const& what) {
  std::fprintf(stderr, "tb-svdir: fatal: unable to %s: %s\n", what.c_str(), strerror(errno));
  std::exit(111);
}

std::uint64_t number(char const* s, std::uint64_t max) {
  if (!s || !*s) usage();
  std::uint64_t v = 0;
  for (char const* p = s; *p; ++p) {
    if (*p < '0' || *p > '9') usage();
    unsigned d = static_cast<unsigned>(*p - '0');
    if (v > (max - d) / 10) usage();
    v = v * 10 + d;
  }
  return v;
}

void mkdirs(std::string const& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (mkdir(part.c_str(), 0755) < 0 && errno != EEXIST) fail("mkdir " + part);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || !*argv[1] || !*argv[2]) usage();
  std::string dir = std::string(argv[1]) + "/" + argv[2];
  tbsv::record r;
  bool fresh = tbsv::read(dir, r) < 0;
  if (fresh) {
    r = tbsv::record{};
    tbsv::stamp(r);
  }
  std::size_t len = tbsv::kSize;
  bool nostatus = false;
  for (int i = 3; i < argc; ++i) {
    std::string w = argv[i];
    char const* arg = i + 1 < argc ? argv[i + 1] : nullptr;
    if (w == "up") {
      std::uint64_t pid = number(arg, INT32_MAX);
      if (!pid) usage();
      r.pid = pid;
      tbsv::stamp(r);
      ++i;
    } else if (w == "down") {
      r.pid = 0;
      tbsv::stamp(r);
    } else if (w == "rawpid") {
      r.pid = number(arg, UINT64_MAX);
      ++i;
    } else if (w == "flags") {
      r.flags = static_cast<std::uint8_t>(number(arg, 255));
      ++i;
    } else if (w == "wstat") {
      r.wstat = static_cast<std::uint16_t>(number(arg, 65535));
      ++i;
    } else if (w == "age") {
      tbsv::stamp(r, number(arg, UINT32_MAX));
      ++i;
    } else if (w == "short") {
      len = number(arg, tbsv::kSize - 1);
      ++i;
    } else if (w == "nostatus") {
      nostatus = true;
    } else {
      usage();
    }
  }
  mkdirs(dir);
  if (nostatus) {
    if (unlink(tbsv::status_path(dir).c_str()) < 0 && errno != ENOENT)
      fail("remove " + tbsv::status_path(dir));
    return 0;
  }
  if (tbsv::write(dir, r, len) < 0) fail("write " + tbsv::status_path(dir));
  return 0;
}
