// orv-send [-LETTERS]... [-T MS] [--] SERVICEDIR...: the control tool. Checks every
// directory first. A directory served by tb-supervise (a reader on its fifo
// supervise/control) gets the letters written to that fifo, and the supervisor
// acts on its daemon; the waits then watch its status record until the event
// has happened: wU the daemon runs, wD the daemon that ran has been reaped
// (pid 0, or already a new one), wR a new daemon runs. -T bounds the wait
// (exit 99 when the time is up; 0 or none: no bound).
// A directory without a supervisor has only its record changed: u/U write "up"
// (the recorded pid if one is already up, else the never-live tbsv::kFakePid)
// stamped now, d/D write "down" (pid 0), r restamps a running service; signal
// letters (h i q b k a t p c y 1 2) change nothing and there is nothing to wait for.
// Unknown letter: 100; a missing directory, an unwritable record or fifo: 111.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
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

// The supervisor's command fifo opened for writing, or -1 when no supervisor
// serves dir.
int supervisor_of(std::string const& dir) {
  std::string const fifo = dir + "/supervise/control";
  int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno != ENXIO && errno != ENOENT)
    fatal(111, "unable to open " + fifo + ": " + strerror(errno));
  return fd;
}

std::int32_t recorded_pid(std::string const& dir) {
  tbsv::record r;
  if (tbsv::read(dir, r) < 0) return 0;
  return tbsv::pid32(r);
}

bool event_seen(char event, std::int32_t before, std::string const& dir) {
  std::int32_t const now = recorded_pid(dir);
  switch (event) {
    case 'U':
      return now != 0 && tbsv::process_alive(now);
    case 'D':
      return now == 0 || now != before;
    default:
      return before == 0 || (now != 0 && now != before && tbsv::process_alive(now));
  }
}

std::uint64_t now_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000 +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000;
}

}  // namespace

int main(int argc, char** argv) {
  tb_record(argc, argv);
  std::string letters;
  char event = 0;
  std::uint64_t timeout = 0;
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
      if (!*t || strspn(t, "0123456789") != strlen(t) || strlen(t) > 10) usage();
      timeout = std::strtoull(t, nullptr, 10);
      continue;
    }
    for (std::size_t k = 1; k < a.size(); ++k) {
      char c = a[k];
      if (c == 'w') {
        if (k + 1 >= a.size() || std::string_view("UDR").find(a[k + 1]) == std::string_view::npos)
          fatal(100, std::string("unknown command letter: w") +
                         (k + 1 < a.size() ? a.substr(k + 1, 1) : ""));
        event = a[++k];
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
  std::vector<std::pair<std::string, std::int32_t>> watched;
  for (auto const& d : dirs) {
    int const fifo = supervisor_of(d);
    if (fifo < 0) {
      for (char c : letters) apply(c, d);
      continue;
    }
    watched.emplace_back(d, recorded_pid(d));
    if (!letters.empty() && write(fifo, letters.data(), letters.size()) < 0)
      fatal(111, "unable to control " + d + ": " + strerror(errno));
    close(fifo);
  }
  if (!event) return 0;
  std::uint64_t const deadline = now_ms() + timeout;
  for (auto const& [dir, before] : watched) {
    while (!event_seen(event, before, dir)) {
      if (timeout && now_ms() >= deadline) fatal(99, "timed out");
      timespec pause{0, 10 * 1000 * 1000};
      nanosleep(&pause, nullptr);
    }
  }
  return 0;
}
