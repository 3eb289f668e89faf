// orv-await [-u|-U|-d|-D] [-t MS] [--] BLOCK PROG...: the event listener. BLOCK
// lists service directories. Runs PROG as a child (its failure code is returned as
// is), then polls the status records every 10 ms until all of them meet the
// condition: u/U a non-zero pid; d/D pid 0 or a recorded process that no longer
// lives (no supervisor updates the records here). No letter: no waiting.
// Timeout (ms, 0 = none): exit 99. Unreadable record: 111. Bad usage: 100.
#include <errno.h>
#include <string.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chain.h"
#include "svstatus_write.h"
#include "tbrecord.h"

namespace {

char const kProg[] = "orv-await";
char const kUsage[] =
    "orv-await [ -u | -U | -d | -D ] [ -t timeout ] [ -- ] { servicedir... } prog...";

[[noreturn]] void fatal(int code, std::string const& msg) {
  std::fprintf(stderr, "orv-await: fatal: %s\n", msg.c_str());
  std::exit(code);
}

std::uint64_t now_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000 +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000;
}

bool met(char cond, std::string const& dir) {
  tbsv::record r;
  if (tbsv::read(dir, r) < 0)
    fatal(111, "unable to read status for " + dir + ": " + strerror(errno));
  std::int32_t pid = tbsv::pid32(r);
  if (cond == 'u' || cond == 'U') return pid != 0;
  return pid == 0 || !tbsv::process_alive(pid);
}

}  // namespace

int main(int argc, char** argv) {
  tb_record(argc, argv);
  char cond = 0;
  std::uint64_t timeout = 0;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "-t") {
      char const* t = i + 1 < argc ? argv[++i] : "";
      if (!*t || strspn(t, "0123456789") != strlen(t) || strlen(t) > 10)
        tbchain::die_usage(kProg, kUsage);
      timeout = std::strtoull(t, nullptr, 10);
    } else if (a == "-u" || a == "-U" || a == "-d" || a == "-D") {
      cond = a[1];
    } else {
      tbchain::die_usage(kProg, kUsage);
    }
  }
  std::vector<char*> block;
  int next = 0;
  if (!tbchain::parse_block(argv, i, block, &next) || !argv[next])
    tbchain::die_usage(kProg, kUsage);
  block.pop_back();
  std::vector<std::string> dirs(block.begin(), block.end());
  // A directory without a record is an error before anything runs.
  for (auto const& d : dirs) met(cond ? cond : 'u', d);

  int code = tbchain::wait_code(kProg, tbchain::spawn(kProg, argv + next));
  if (code != 0 || !cond) return code;

  std::uint64_t deadline = now_ms() + timeout;
  for (;;) {
    bool all = true;
    for (auto const& d : dirs) all = all && met(cond, d);
    if (all) return 0;
    if (timeout && now_ms() >= deadline) fatal(99, "timed out");
    timespec pause{0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}
