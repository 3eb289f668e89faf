#include "support/run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvtest {

namespace {

std::vector<char*> cvec(std::vector<std::string> const& v) {
  std::vector<char*> r;
  for (auto const& s : v) r.push_back(const_cast<char*>(s.c_str()));
  r.push_back(nullptr);
  return r;
}

}  // namespace

result run(std::vector<std::string> const& argv, std::vector<std::string> const& env,
           run_opts const& opts) {
  int in[2], out[2], err[2];
  if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe");
  auto cargv = cvec(argv);
  auto cenv = cvec(env);
  bool const slow = opts.stdout_mode == out_mode::slow_nonblocking_pipe;
  if (slow) fcntl(out[1], F_SETFL, O_NONBLOCK);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    dup2(in[0], 0);
    switch (opts.stdout_mode) {
      case out_mode::pipe:
      case out_mode::slow_nonblocking_pipe: dup2(out[1], 1); break;
      case out_mode::closed: close(1); break;
      case out_mode::devfull: {
        int fd = open("/dev/full", O_WRONLY);
        dup2(fd, 1);
        if (fd != 1) close(fd);
        break;
      }
    }
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      if (fd > 2) close(fd);
    if (opts.stdout_mode == out_mode::closed) close(1);
    if (!opts.cwd.empty() && chdir(opts.cwd.c_str())) _exit(125);
    signal(SIGPIPE, SIG_DFL);
    for (int sig : opts.ignored) signal(sig, SIG_IGN);
    execve(cargv[0], cargv.data(), cenv.data());
    _exit(errno == ENOENT ? 127 : 126);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  // Feed the input and collect both outputs without deadlocking.
  result r;
  size_t inpos = 0;
  if (opts.input.empty()) {
    close(in[1]);
    in[1] = -1;
  } else {
    fcntl(in[1], F_SETFL, O_NONBLOCK);
  }
  if (slow) usleep(500000);
  time_t deadline = time(nullptr) + opts.timeout_seconds;
  int open_fds = 2;
  bool killed = false;
  while (open_fds > 0 || in[1] >= 0) {
    pollfd p[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    int n = poll(p, 3, 1000);
    if (n < 0 && errno != EINTR) break;
    if (!killed && time(nullptr) > deadline) {
      kill(pid, SIGKILL);
      killed = true;
    }
    for (int i = 0; i < 2; i++) {
      if (p[i].fd < 0 || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[65536];
      ssize_t k = read(p[i].fd, buf, sizeof buf);
      if (k > 0) {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(k));
      } else if (k == 0 || errno != EINTR) {
        close(p[i].fd);
        (i == 0 ? out[0] : err[0]) = -1;
        open_fds--;
      }
    }
    if (in[1] >= 0 && (p[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t k = write(in[1], opts.input.data() + inpos, opts.input.size() - inpos);
      if (k > 0) inpos += static_cast<size_t>(k);
      if (k < 0 || inpos == opts.input.size()) {
        close(in[1]);
        in[1] = -1;
      }
    }
  }
  while (waitpid(pid, &r.wstat, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(r.wstat)) r.code = WEXITSTATUS(r.wstat);
  if (WIFSIGNALED(r.wstat)) r.signal = WTERMSIG(r.wstat);
  return r;
}

std::string orv_path() { return std::string(ORV_BIN_DIR) + "/orv"; }
std::string bin_path(char const* name) { return std::string(ORV_BIN_DIR) + "/" + name; }
std::string testbed_bin() { return ORV_TESTBED_BIN; }

std::string program_strerror(int e) {
  result r = run({bin_path("orv_libc_driver"), "strerror", std::to_string(e)}, {});
  if (r.code != 0 || r.out.empty()) return "(orv_libc_driver strerror failed: " + r.err + ")";
  r.out.pop_back();
  return r.out;
}

std::vector<std::string> testbed_env(std::string const& tbdir,
                                     std::vector<std::string> const& extra) {
  std::vector<std::string> env = {"PATH=" + testbed_bin() + ":/usr/bin:/bin",
                                  "ORV_TB_DIR=" + tbdir};
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

tempdir::tempdir() {
  char const* t = getenv("TMPDIR");
  std::string tmpl = std::string(t && *t ? t : "/tmp") + "/orvtest.XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp");
  path_ = buf.data();
}

tempdir::~tempdir() {
  std::error_code ec;
  // Make everything removable first: tests drop permissions on purpose.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0700);
  }
  std::filesystem::remove_all(path_, ec);
}

void write_file(std::string const& path, std::string const& content, unsigned mode) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << content;
  f.close();
  chmod(path.c_str(), mode);
}

std::string read_all(int fd) {
  std::string s;
  char buf[4096];
  ssize_t r;
  while ((r = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(r));
  return s;
}

std::string read_file(std::string const& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool file_exists(std::string const& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace orvtest
