// Reads the stand-ins' call log ($ORV_TB_DIR/log) back for tests.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tb {

struct call {
  std::vector<std::string> argv;
  std::vector<std::string> env;  // configuration variables present, in their fixed order
  std::vector<int> closed;       // standard descriptors (0-2) closed at entry
};

namespace detail {

inline int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "[a] [b\x0a] []" -> {"a", "b\n", ""}
inline std::vector<std::string> parse_elements(std::string const& line, size_t pos) {
  std::vector<std::string> r;
  while (pos < line.size()) {
    if (line[pos] == ' ') {
      ++pos;
      continue;
    }
    if (line[pos] != '[') break;  // malformed: stop here
    ++pos;
    std::string e;
    while (pos < line.size() && line[pos] != ']') {
      if (line[pos] == '\\' && pos + 3 < line.size() && line[pos + 1] == 'x') {
        int hi = hexval(line[pos + 2]), lo = hexval(line[pos + 3]);
        if (hi >= 0 && lo >= 0) {
          e += static_cast<char>(hi * 16 + lo);
          pos += 4;
          continue;
        }
      }
      e += line[pos++];
    }
    ++pos;  // past ']'
    r.push_back(std::move(e));
  }
  return r;
}

}  // namespace detail

// Every record of $tbdir/log in order; empty when there is no log.
inline std::vector<call> read_log(std::string const& tbdir) {
  std::vector<call> calls;
  std::ifstream in(tbdir + "/log", std::ios::binary);
  if (!in) return calls;
  std::string line;
  while (std::getline(in, line)) {
    if (line == "argv" || line.rfind("argv ", 0) == 0) {
      calls.push_back({detail::parse_elements(line, 4), {}, {}});
    } else if ((line == "env" || line.rfind("env ", 0) == 0) && !calls.empty()) {
      std::istringstream names(line.substr(3));
      std::string n;
      while (names >> n) calls.back().env.push_back(n);
    } else if (line.rfind("closed ", 0) == 0 && !calls.empty()) {
      std::istringstream fds(line.substr(7));
      int fd;
      while (fds >> fd) calls.back().closed.push_back(fd);
    }
  }
  return calls;
}

}  // namespace tb
