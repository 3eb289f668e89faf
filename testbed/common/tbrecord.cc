#include "tbrecord.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

char const* const config_names[] = {"scandir", "livedir",   "repodir",  "bootdb",
                                    "stmpdir", "storelist", "verbosity"};


bool write_all(int fd, char const* p, size_t n) {
  while (n) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Reads a whole control file; false when it does not exist.
bool slurp(std::string const& path, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[4096];
  for (;;) {
    ssize_t r = read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  close(fd);
  return true;
}

void die(char const* what, std::string const& path) {
  std::fprintf(stderr, "tbrecord: unable to %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  std::exit(111);
}

}  // namespace

std::string tb_tool_name(char const* argv0) {
  if (!argv0) return "";
  char const* slash = std::strrchr(argv0, '/');
  return slash ? slash + 1 : argv0;
}

std::string tb_dir() {
  char const* d = std::getenv("ORV_TB_DIR");
  return d ? d : "";
}

namespace {
std::string tool_name = "stand-in";
}

void tb_fail(int code, std::string const& msg) {
  std::fprintf(stderr, "%s: fatal: %s\n", tool_name.c_str(), msg.c_str());
  std::exit(code);
}

std::string tb::escape(std::string const& s) {
  static char const hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c >= 0x7f || c == '\\' || c == '[' || c == ']') {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void tb_record(int argc, char** argv) {
  // Standard descriptors closed at entry, seen before anything here opens one.
  std::string closed;
  for (int fd = 0; fd < 3; ++fd)
    if (fcntl(fd, F_GETFD) < 0) closed += " " + std::to_string(fd);
  if (argc > 0) tool_name = tb_tool_name(argv[0]);
  std::string dir = tb_dir();
  if (dir.empty()) return;

  std::string rec = "argv";
  for (int i = 0; i < argc; ++i) {
    rec += " [";
    rec += tb::escape(argv[i]);
    rec += ']';
  }
  rec += "\nenv";
  for (char const* name : config_names)
    if (std::getenv(name)) {
      rec += ' ';
      rec += name;
    }
  rec += '\n';
  if (!closed.empty()) rec += "closed" + closed + "\n";

  std::string log = dir + "/log";
  int fd = open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) die("open", log);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  while (fcntl(fd, F_SETLKW, &fl) < 0)
    if (errno != EINTR) die("lock", log);
  if (!write_all(fd, rec.data(), rec.size())) die("write", log);
  close(fd);  // releases the lock

  std::string base = dir + "/" + tb_tool_name(argc > 0 ? argv[0] : nullptr);
  std::string content;
  if (slurp(base + ".stdout", content)) write_all(1, content.data(), content.size());
  content.clear();
  if (slurp(base + ".stderr", content)) write_all(2, content.data(), content.size());
  content.clear();
  if (slurp(base + ".signal", content)) {
    int sig = std::atoi(content.c_str());
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    std::exit(126);  // the signal did not end us
  }
  content.clear();
  if (slurp(base + ".exit", content)) std::exit(std::atoi(content.c_str()));
}
