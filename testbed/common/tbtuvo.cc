#include "tbtuvo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <string_view>
#include <unordered_map>

namespace tbtuvo {

namespace {

constexpr char header[] = "tuvo-db: start\n";
constexpr char trailer[] = "\ntuvo-db: end\n";

void put32(std::string& s, uint32_t v) {
  s += static_cast<char>(v >> 24);
  s += static_cast<char>(v >> 16);
  s += static_cast<char>(v >> 8);
  s += static_cast<char>(v);
}

// Forward reader over bytes; every get fails past the end.
struct cursor {
  std::string const& b;
  size_t pos = 0;
  bool get32(uint32_t& v) {
    if (b.size() - pos < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[pos++]);
    return true;
  }
  bool get(size_t n, std::string& out) {
    if (b.size() - pos < n) return false;
    out = b.substr(pos, n);
    pos += n;
    return true;
  }
};

std::string sys(std::string const& what) {
  return what + ": " + std::strerror(errno);
}

// String block layout: names in index order, then each command service's
// vector strings in order. Offsets of every name and vector start.
struct layout {
  std::string block;
  std::vector<uint32_t> name_off;
  std::vector<uint32_t> vec_off[2];
};

layout make_layout(database const& db) {
  layout l;
  for (auto const& s : db.services) {
    l.name_off.push_back(static_cast<uint32_t>(l.block.size()));
    l.block += s.name;
    l.block += '\0';
  }
  for (auto const& s : db.services) {
    for (int k = 0; k < 2; ++k) {
      l.vec_off[k].push_back(s.vec[k].empty() ? 0 : static_cast<uint32_t>(l.block.size()));
      if (s.longrun) continue;
      for (auto const& w : s.vec[k]) {
        l.block += w;
        l.block += '\0';
      }
    }
  }
  return l;
}

uint32_t nedges(database const& db) {
  uint32_t e = 0;
  for (auto const& s : db.services) e += static_cast<uint32_t>(s.deps.size());
  return e;
}

uint32_t nvecslots(database const& db) {
  uint32_t n = 0;
  for (auto const& s : db.services)
    if (!s.longrun) n += static_cast<uint32_t>(s.vec[0].size() + s.vec[1].size() + 2);
  return n;
}

}  // namespace

long database::index(std::string const& name) const {
  for (size_t i = 0; i < services.size(); ++i)
    if (services[i].name == name) return static_cast<long>(i);
  return -1;
}

bundle const* database::find_bundle(std::string const& name) const {
  for (auto const& b : bundles)
    if (b.name == name) return &b;
  return nullptr;
}

std::vector<std::vector<uint32_t>> database::dependents() const {
  std::vector<std::vector<uint32_t>> r(services.size());
  for (uint32_t i = 0; i < services.size(); ++i)
    for (uint32_t d : services[i].deps) r[d].push_back(i);
  return r;
}

std::string sizes_bytes(database const& db) {
  std::string n;
  put32(n, static_cast<uint32_t>(db.services.size()) - db.nlongrun);
  put32(n, db.nlongrun);
  put32(n, static_cast<uint32_t>(make_layout(db).block.size()));
  put32(n, nvecslots(db));
  put32(n, nedges(db));
  put32(n, 0);  // no longrun references
  return n;
}

// Run 0 of a service lists what it needs, run 1 what needs it; all runs 0
// fill the first half of the dependency list and all runs 1 the second, so
// each run's start counts from the beginning of its half.
std::string db_bytes(database const& db) {
  layout l = make_layout(db);
  auto rdeps = db.dependents();
  std::string out = header;
  out += l.block;
  for (auto const& s : db.services)
    for (uint32_t d : s.deps) put32(out, d);
  for (auto const& r : rdeps)
    for (uint32_t d : r) put32(out, d);
  uint32_t start[2] = {0, 0};
  for (size_t i = 0; i < db.services.size(); ++i) {
    auto const& s = db.services[i];
    uint32_t count[2] = {static_cast<uint32_t>(s.deps.size()),
                         static_cast<uint32_t>(rdeps[i].size())};
    put32(out, l.name_off[i]);
    put32(out, 0);  // attr
    put32(out, 0);  // param[0]
    put32(out, 0);  // param[1]
    put32(out, count[0]);
    put32(out, count[1]);
    put32(out, start[0]);
    put32(out, start[1]);
    if (s.longrun) {
      for (int k = 0; k < 3; ++k) put32(out, 0);  // link
    } else {
      for (int k = 0; k < 2; ++k) {
        put32(out, static_cast<uint32_t>(s.vec[k].size()));
        put32(out, l.vec_off[k][i]);
      }
    }
    out += '\xfe';
    start[0] += count[0];
    start[1] += count[1];
  }
  out += trailer;
  return out;
}

bool spew(std::string const& path, std::string const& content, std::string& err) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return err = sys("unable to open " + path), false;
  size_t done = 0;
  while (done < content.size()) {
    ssize_t w = write(fd, content.data() + done, content.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) {
      err = sys("unable to write " + path);
      close(fd);
      return false;
    }
    done += static_cast<size_t>(w);
  }
  if (close(fd) < 0) return err = sys("unable to close " + path), false;
  return true;
}

bool slurp(std::string const& path, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  char buf[8192];
  for (;;) {
    ssize_t r = read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      close(fd);
      return false;
    }
    if (r == 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  close(fd);
  return true;
}

bool write_compiled(database const& db, std::string const& dir, std::string& err) {
  if (mkdir(dir.c_str(), 0755) < 0 && errno != EEXIST)
    return err = sys("unable to mkdir " + dir), false;
  std::string bundles, essentials;
  for (auto const& b : db.bundles) {
    bundles += b.name;
    for (uint32_t i : b.contents) bundles += " " + db.services[i].name;
    bundles += '\n';
  }
  for (size_t i = 0; i < db.services.size(); ++i)
    if (i < db.essential.size() && db.essential[i]) essentials += db.services[i].name + "\n";
  return spew(dir + "/n", sizes_bytes(db), err) && spew(dir + "/db", db_bytes(db), err) &&
         spew(dir + "/lock", "", err) && spew(dir + "/" + bundles_file, bundles, err) &&
         spew(dir + "/" + essentials_file, essentials, err);
}

bool read_compiled(std::string const& dir, database& db, std::string& err) {
  db = database{};
  std::string n, b;
  if (!slurp(dir + "/n", n)) return err = sys("unable to read " + dir + "/n"), false;
  if (!slurp(dir + "/db", b)) return err = sys("unable to read " + dir + "/db"), false;
  std::string const bad = "invalid service database in " + dir;
  if (n.size() != 24) return err = bad + " (sizes)", false;
  cursor cn{n};
  uint32_t ncommand, nlongrun, S, nslots, E, R;
  cn.get32(ncommand), cn.get32(nlongrun), cn.get32(S), cn.get32(nslots), cn.get32(E), cn.get32(R);
  uint64_t N = uint64_t{ncommand} + nlongrun;
  cursor c{b};
  std::string h, block;
  if (!c.get(15, h) || h != header || !c.get(S, block)) return err = bad, false;
  std::vector<uint32_t> edges(2 * size_t{E});
  for (auto& e : edges)
    if (!c.get32(e) || e >= N) return err = bad, false;
  for (uint32_t i = 0, r; i < R; ++i)
    if (!c.get32(r) || r >= nlongrun) return err = bad, false;
  auto str_at = [&](uint32_t off, std::string& out) {
    if (off >= block.size()) return false;
    size_t z = block.find('\0', off);
    if (z == std::string::npos) return false;
    out = block.substr(off, z - off);
    return true;
  };
  db.nlongrun = nlongrun;
  uint64_t slots = 0;
  for (uint64_t i = 0; i < N; ++i) {
    service s;
    s.longrun = i < nlongrun;
    uint32_t name, skip, count[2], start[2];
    if (!c.get32(name) || !str_at(name, s.name)) return err = bad, false;
    for (int k = 0; k < 3; ++k)
      if (!c.get32(skip)) return err = bad, false;
    if (!c.get32(count[0]) || !c.get32(count[1]) || !c.get32(start[0]) || !c.get32(start[1]))
      return err = bad, false;
    for (int k = 0; k < 2; ++k)
      if (uint64_t{start[k]} + count[k] > E) return err = bad, false;
    for (uint32_t j = 0; j < count[0]; ++j) s.deps.push_back(edges[start[0] + j]);
    if (s.longrun) {
      for (int k = 0; k < 3; ++k)
        if (!c.get32(skip)) return err = bad, false;
    } else {
      for (int k = 0; k < 2; ++k) {
        uint32_t vc, off;
        if (!c.get32(vc) || !c.get32(off)) return err = bad, false;
        for (uint32_t j = 0; j < vc; ++j) {
          std::string w;
          if (!str_at(off, w)) return err = bad, false;
          off += static_cast<uint32_t>(w.size() + 1);
          s.vec[k].push_back(w);
        }
        slots += vc + 1;
      }
    }
    std::string sep;
    if (!c.get(1, sep) || sep != "\xfe") return err = bad, false;
    db.services.push_back(std::move(s));
  }
  std::string t;
  if (slots != nslots || !c.get(14, t) || t != trailer) return err = bad, false;

  db.essential.assign(db.services.size(), false);
  std::string text;
  if (slurp(dir + "/" + bundles_file, text)) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      bundle bu;
      if (!(words >> bu.name)) continue;
      for (std::string w; words >> w;) {
        long i = db.index(w);
        if (i < 0) return err = bad + " (bundle " + bu.name + ")", false;
        bu.contents.push_back(static_cast<uint32_t>(i));
      }
      db.bundles.push_back(std::move(bu));
    }
  }
  if (slurp(dir + "/" + essentials_file, text)) {
    std::istringstream words(text);
    for (std::string w; words >> w;) {
      long i = db.index(w);
      if (i < 0) return err = bad + " (essential " + w + ")", false;
      db.essential[static_cast<size_t>(i)] = true;
    }
  }
  return true;
}

bool resolve(database const& db, std::vector<std::string> const& names, std::vector<uint32_t>& out,
             std::string& err) {
  out.clear();
  // Looked up by hash and marked when taken: 10^5 names stay fast.
  std::unordered_map<std::string_view, uint32_t> byname;
  for (uint32_t i = 0; i < db.services.size(); ++i) byname.emplace(db.services[i].name, i);
  std::vector<char> taken(db.services.size());
  auto add = [&](uint32_t i) {
    if (!taken[i]) out.push_back(i);
    taken[i] = 1;
  };
  for (auto const& name : names) {
    auto const it = byname.find(name);
    if (it != byname.end()) {
      add(it->second);
    } else if (auto b = db.find_bundle(name)) {
      for (uint32_t j : b->contents) add(j);
    } else {
      err = "unknown service name: " + name;
      return false;
    }
  }
  return true;
}

namespace {

// Post-order walk: everything reachable through next() comes before the node.
void walk(uint32_t i, std::vector<std::vector<uint32_t>> const& next, std::vector<char>& seen,
          std::vector<uint32_t>& order) {
  if (seen[i]) return;
  seen[i] = 1;
  for (uint32_t j : next[i]) walk(j, next, seen, order);
  order.push_back(i);
}

}  // namespace

std::vector<uint32_t> start_order(database const& db, std::vector<uint32_t> const& targets) {
  std::vector<std::vector<uint32_t>> deps;
  for (auto const& s : db.services) deps.push_back(s.deps);
  std::vector<char> seen(db.services.size(), 0);
  std::vector<uint32_t> order;
  for (uint32_t t : targets) walk(t, deps, seen, order);
  return order;
}

std::vector<uint32_t> stop_order(database const& db, std::vector<uint32_t> const& targets) {
  auto rdeps = db.dependents();
  std::vector<char> seen(db.services.size(), 0);
  std::vector<uint32_t> order;
  for (uint32_t t : targets) walk(t, rdeps, seen, order);
  return order;
}

bool read_state(std::string const& livedir, size_t n, std::string& state, std::string& err) {
  std::string path = livedir + "/state";
  if (!slurp(path, state)) return err = sys("unable to read " + path), false;
  if (state.size() < n) return err = "state file " + path + " is too short", false;
  state.resize(n);
  return true;
}

bool write_state(std::string const& livedir, std::string const& state, std::string& err) {
  // A per-process temporary name: runs that skip the lock must not share one.
  std::string tmp = livedir + "/state.new." + std::to_string(getpid()), path = livedir + "/state";
  if (!spew(tmp, state, err)) return false;
  if (rename(tmp.c_str(), path.c_str()) < 0)
    return err = sys("unable to rename " + tmp + " to " + path), false;
  return true;
}

namespace {

bool lock_one(std::string const& path, bool exclusive, bool blocking, std::string& err) {
  int fd = exclusive ? open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)
                     : open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return err = sys("unable to open " + path), false;
  struct flock fl {};
  fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  while (fcntl(fd, blocking ? F_SETLKW : F_SETLK, &fl) < 0) {
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) errno = EBUSY;
    err = sys("unable to lock " + path);
    close(fd);
    return false;
  }
  return true;  // the descriptor stays open: the lock lasts until exit
}

}  // namespace

bool take_locks(std::string const& livedir, bool blocking, std::string& err) {
  return lock_one(livedir + "/lock", true, blocking, err) &&
         lock_one(livedir + "/compiled/lock", false, blocking, err);
}

std::string const* options::value(char c) const {
  std::string const* r = nullptr;
  for (auto const& [k, v] : values)
    if (k == c) r = &v;
  return r;
}

char options::last_of(char const* set) const {
  for (size_t i = letters.size(); i-- > 0;)
    if (std::strchr(set, letters[i])) return letters[i];
  return 0;
}

bool parse_options(int argc, char** argv, char const* flags, char const* with_arg, options& o,
                   std::string& err) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--no-lock") {
      o.no_lock = true;
      continue;
    }
    if (a.size() < 2 || a[0] != '-') break;
    for (size_t k = 1; k < a.size(); ++k) {
      char c = a[k];
      if (c == 'n' && std::strchr(flags, 'n')) {
        // "-n" or "-n1": a dry run, with an optional level attached
        o.letters += c;
        size_t e = k + 1;
        while (e < a.size() && a[e] >= '0' && a[e] <= '9') ++e;
        o.values.emplace_back(c, a.substr(k + 1, e - k - 1));
        k = e - 1;
      } else if (std::strchr(with_arg, c)) {
        o.letters += c;
        if (k + 1 < a.size()) {
          o.values.emplace_back(c, a.substr(k + 1));
        } else if (i + 1 < argc) {
          o.values.emplace_back(c, argv[++i]);
        } else {
          return err = std::string("option -") + c + " needs a value", false;
        }
        break;
      } else if (std::strchr(flags, c)) {
        o.letters += c;
      } else {
        return err = std::string("unknown option -") + c, false;
      }
    }
  }
  o.rest = static_cast<size_t>(i);
  return true;
}

}  // namespace tbtuvo
