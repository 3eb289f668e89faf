#include "svstatus_write.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace tbsv {

namespace {

void put_big(unsigned char* p, std::uint64_t v, int n) {
  for (int i = n - 1; i >= 0; --i) {
    p[i] = static_cast<unsigned char>(v & 0xff);
    v >>= 8;
  }
}

std::uint64_t get_big(unsigned char const* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

int write_all(int fd, unsigned char const* p, std::size_t n) {
  while (n) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return -1;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return 0;
}

}  // namespace

std::array<unsigned char, kSize> pack(record const& r) {
  std::array<unsigned char, kSize> b{};
  put_big(&b[0], r.sec1, 8);
  put_big(&b[8], r.nano1, 4);
  put_big(&b[12], r.sec2, 8);
  put_big(&b[20], r.nano2, 4);
  put_big(&b[24], r.pid, 8);
  put_big(&b[32], r.wstat, 2);
  b[34] = r.flags;
  return b;
}

record unpack(unsigned char const* b) {
  record r;
  r.sec1 = get_big(b, 8);
  r.nano1 = static_cast<std::uint32_t>(get_big(b + 8, 4));
  r.sec2 = get_big(b + 12, 8);
  r.nano2 = static_cast<std::uint32_t>(get_big(b + 20, 4));
  r.pid = get_big(b + 24, 8);
  r.wstat = static_cast<std::uint16_t>(get_big(b + 32, 2));
  r.flags = b[34];
  return r;
}

void stamp(record& r, std::uint64_t age) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::uint64_t now = static_cast<std::uint64_t>(ts.tv_sec);
  r.sec1 = r.sec2 = kTaiUnixEpoch + (age < now ? now - age : 0);
  r.nano1 = r.nano2 = static_cast<std::uint32_t>(ts.tv_nsec);
}

std::uint64_t age_of(record const& r) {
  std::uint64_t now = kTaiUnixEpoch + static_cast<std::uint64_t>(time(nullptr));
  return r.sec1 < now ? now - r.sec1 : 0;
}

std::int32_t pid32(record const& r) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(r.pid & 0xffffffffu));
}

std::string status_path(std::string const& dir) {
  return dir + "/supervise/status";
}

int read(std::string const& dir, record& r) {
  int fd = open(status_path(dir).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  unsigned char b[kSize];
  std::size_t got = 0;
  while (got < kSize) {
    ssize_t n = ::read(fd, b + got, kSize - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int e = errno;
      close(fd);
      errno = e;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (got < kSize) {
    errno = EPIPE;
    return -1;
  }
  r = unpack(b);
  return 0;
}

int write(std::string const& dir, record const& r, std::size_t n) {
  std::string sup = dir + "/supervise";
  if (mkdir(sup.c_str(), 0755) < 0 && errno != EEXIST) return -1;
  std::string path = status_path(dir);
  std::string tmp = path + ".new";
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  auto image = pack(r);
  if (write_all(fd, image.data(), n < kSize ? n : kSize) < 0) {
    int e = errno;
    close(fd);
    unlink(tmp.c_str());
    errno = e;
    return -1;
  }
  close(fd);
  // A reader polling the record never sees it half written.
  return rename(tmp.c_str(), path.c_str());
}

bool process_alive(std::int32_t pid) {
  if (pid <= 0) return false;
  if (kill(pid, 0) < 0 && errno != EPERM) return false;
  // An unreaped child still answers kill(); its state letter says it is gone.
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* f = std::fopen(path, "r");
  if (!f) return true;
  char buf[512];
  std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = '\0';
  // The state follows the last ')' (the command name may hold parentheses).
  char const* close_paren = nullptr;
  for (char const* p = buf; *p; ++p)
    if (*p == ')') close_paren = p;
  if (!close_paren || close_paren[1] != ' ') return true;
  char state = close_paren[2];
  return state != 'Z' && state != 'X';
}

}  // namespace tbsv
