// tuvo: stand-in change and list tool over a live directory made by tuvo-init.
//
//   tuvo [ options ] -l LIVEDIR [--] start NAME...
//   tuvo [ options ] -l LIVEDIR [--] stop NAME...
//   tuvo [ options ] -l LIVEDIR [--] change [NAME...]
//   tuvo [ options ] -l LIVEDIR [--] list [NAME...]
//
// Options: -v V verbosity (2 and more: one line per transition on stderr);
// -t MS accepted, not enforced; -n or -nN dry run (print "would start NAME"
// lines, change nothing); -b wait for the locks instead of failing;
// --no-lock take no lock (the caller holds them); -a all services;
// -u/-d select up/down (list: which services; change: direction, -d leaving
// essential services and what they need up, -D taking everything down);
// -e leaves essential services out of list, -E keeps them.
//
// start brings the named services (bundles stand for their contents) up with
// everything they need, dependencies first; stop brings them down with
// everything that needs them, dependents first. Each transition rewrites the
// state file, so a run that fails part-way leaves a partial change.
// list prints one name a line, in database order (default: the services up,
// essentials left out).
//
// Test hooks, all under $ORV_TB_DIR:
//   tuvo.fail  service names, one a line: reaching one of them in a change
//              prints a message and exits 1 before changing it;
//   timeline   "begin PID NS" and "end PID NS" around every change run;
//   held       with ORV_TB_HOLD set, a change run writes its pid here
//              half-way and waits until "release" appears; the signals
//              TERM, INT, HUP and QUIT it gets meanwhile are appended to
//              "signals" by number, and after the release it dies of the
//              first one (or goes on when none came, or always when
//              ORV_TB_HOLD is "survive"); those of them ignored at entry
//              stay ignored, and are listed in "ignored";
// and ORV_TB_DELAY_MS makes a change run sleep half-way.
//
// Exit: 0 done, 1 unknown name or failed transition, 100 usage, 111 system error.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "tbrecord.h"
#include "tbtuvo.h"

namespace {

[[noreturn]] void usage() {
  tb_fail(100,
          "usage: tuvo [ -v verbosity ] [ -t timeout ] [ -n ] [ -b ] [ --no-lock ] "
          "[ -a ] [ -u | -d | -D ] [ -e | -E ] -l livedir [ -- ] "
          "start|stop|change|list [ names... ]");
}

void timeline(char const* what) {
  std::string dir = tb_dir();
  if (dir.empty()) return;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  std::string line = std::string(what) + " " + std::to_string(getpid()) + " " +
                     std::to_string(int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec) + "\n";
  std::string path = dir + "/timeline";
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  while (fcntl(fd, F_SETLKW, &fl) < 0 && errno == EINTR) {
  }
  ssize_t w = write(fd, line.data(), line.size());
  (void)w;
  close(fd);
}

std::vector<std::string> failing_names() {
  std::vector<std::string> names;
  std::string dir = tb_dir(), text;
  if (dir.empty() || !tbtuvo::slurp(dir + "/tuvo.fail", text)) return names;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

void half_way_delay() {
  char const* ms = std::getenv("ORV_TB_DELAY_MS");
  if (!ms || !*ms) return;
  long v = std::strtol(ms, nullptr, 10);
  if (v <= 0) return;
  timespec ts{v / 1000, (v % 1000) * 1000000};
  while (nanosleep(&ts, &ts) < 0 && errno == EINTR) {
  }
}

volatile sig_atomic_t first_signal;
int signals_fd = -1;

extern "C" void note_signal(int sig) {
  if (!first_signal) first_signal = sig;
  char buf[16];
  size_t n = 0;
  for (int v = sig; v; v /= 10) buf[n++] = static_cast<char>('0' + v % 10);
  char line[17];
  for (size_t i = 0; i < n; ++i) line[i] = buf[n - 1 - i];
  line[n] = '\n';
  ssize_t w = write(signals_fd, line, n + 1);
  (void)w;
}

void hold() {
  if (!std::getenv("ORV_TB_HOLD")) return;
  std::string const dir = tb_dir();
  signals_fd = open((dir + "/signals").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  std::string ignored, err;
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN)
      ignored += std::to_string(sig) + "\n";
    else
      signal(sig, note_signal);
  }
  if (!tbtuvo::spew(dir + "/ignored", ignored, err)) tb_fail(111, err);
  if (!tbtuvo::spew(dir + "/held", std::to_string(getpid()) + "\n", err)) tb_fail(111, err);
  while (access((dir + "/release").c_str(), F_OK) < 0) {
    timespec ts{0, 10 * 1000 * 1000};
    nanosleep(&ts, nullptr);
  }
  if (std::string(std::getenv("ORV_TB_HOLD")) == "survive") return;
  if (int const sig = first_signal) {
    signal(sig, SIG_DFL);
    raise(sig);
  }
}

}  // namespace

int main(int argc, char** argv) {
  tb_record(argc, argv);
  tbtuvo::options o;
  std::string err;
  if (!tbtuvo::parse_options(argc, argv, "bnaudDeE", "vtl", o, err)) {
    std::fprintf(stderr, "tuvo: fatal: %s\n", err.c_str());
    usage();
  }
  if (!o.value('l') || o.rest >= static_cast<size_t>(argc)) usage();
  std::string livedir = *o.value('l');
  std::string cmd = argv[o.rest];
  std::vector<std::string> names(argv + o.rest + 1, argv + argc);
  unsigned long verbosity = o.value('v') ? std::strtoul(o.value('v')->c_str(), nullptr, 10) : 1;

  bool is_list = cmd == "list";
  if (!is_list && cmd != "start" && cmd != "stop" && cmd != "change") usage();
  if ((cmd == "start" || cmd == "stop") && names.empty()) usage();

  // Readers take no lock: the state file is only ever replaced whole.
  if (!is_list && !o.no_lock && !tbtuvo::take_locks(livedir, o.has('b'), err))
    tb_fail(111, "unable to take locks in " + livedir + ": " + err);

  tbtuvo::database db;
  if (!tbtuvo::read_compiled(livedir + "/compiled", db, err)) tb_fail(111, err);
  std::string state;
  if (!tbtuvo::read_state(livedir, db.services.size(), state, err)) tb_fail(111, err);

  std::vector<uint32_t> targets;
  if (names.empty()) {
    for (uint32_t i = 0; i < db.services.size(); ++i) targets.push_back(i);
  } else if (!tbtuvo::resolve(db, names, targets, err)) {
    tb_fail(1, err);
  }

  if (is_list) {
    bool want_up = o.last_of("ud") != 'd';
    bool essentials = o.last_of("eE") == 'E';
    if (names.empty()) std::sort(targets.begin(), targets.end());
    std::string out;
    for (uint32_t i : targets) {
      if (((state[i] & 1) != 0) != want_up) continue;
      if (db.essential[i] && !essentials) continue;
      out += db.services[i].name + "\n";
    }
    std::fputs(out.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 111;
  }

  bool up;
  std::vector<uint32_t> order;
  if (cmd == "change") {
    char dir = o.last_of("udD");
    if (!dir) usage();
    up = dir == 'u';
    order = up ? tbtuvo::start_order(db, targets) : tbtuvo::stop_order(db, targets);
    if (dir == 'd') {
      // Essential services stay up, and so does everything they need.
      std::vector<uint32_t> ess;
      for (uint32_t i = 0; i < db.services.size(); ++i)
        if (db.essential[i]) ess.push_back(i);
      auto keep = tbtuvo::start_order(db, ess);
      std::erase_if(
          order, [&](uint32_t i) { return std::find(keep.begin(), keep.end(), i) != keep.end(); });
    }
  } else {
    up = cmd == "start";
    order = up ? tbtuvo::start_order(db, targets) : tbtuvo::stop_order(db, targets);
  }
  std::erase_if(order, [&](uint32_t i) { return ((state[i] & 1) != 0) == up; });
  char const* verb = up ? "start" : "stop";

  if (o.has('n')) {
    std::string out;
    for (uint32_t i : order) out += std::string("would ") + verb + " " + db.services[i].name + "\n";
    std::fputs(out.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 111;
  }

  auto fails = failing_names();
  timeline("begin");
  for (size_t k = 0; k <= order.size(); ++k) {
    if (k == order.size() / 2) {
      half_way_delay();
      hold();
    }
    if (k == order.size()) break;
    uint32_t i = order[k];
    auto const& name = db.services[i].name;
    if (std::find(fails.begin(), fails.end(), name) != fails.end()) {
      timeline("end");
      tb_fail(1, std::string("unable to ") + verb + " " + name + ": injected failure");
    }
    state[i] = static_cast<char>(up ? (state[i] | 1) : (state[i] & ~1));
    if (!tbtuvo::write_state(livedir, state, err)) {
      timeline("end");
      tb_fail(111, err);
    }
    if (verbosity >= 2)
      std::fprintf(stderr, "tuvo: info: service %s: %s\n", name.c_str(),
                   up ? "started" : "stopped");
  }
  timeline("end");
  return 0;
}
