// Test support: run a program with an exact argument vector and environment,
// capture what it prints and how it ended; temporary directories and files.
#pragma once

#include <string>
#include <vector>

namespace orvtest {

struct result {
  int wstat = 0;     // raw wait status
  int code = -1;     // exit code, or -1 when killed by a signal
  int signal = 0;    // signal that killed it, or 0
  std::string out;   // standard output
  std::string err;   // standard error
};

// slow_nonblocking_pipe: a pipe the program finds in non-blocking mode, read
// only from half a second after the start, so that a program writing more
// than the pipe holds meets EAGAIN.
enum class out_mode { pipe, closed, devfull, slow_nonblocking_pipe };

struct run_opts {
  std::string input{};             // written to standard input, then closed
  out_mode stdout_mode = out_mode::pipe;
  std::string cwd{};               // empty: inherit
  int timeout_seconds = 60;        // the child is killed after this
  std::vector<int> ignored{};      // signals the program starts with ignored
};

// Runs argv[0] (a path; no search) with exactly argv and env.
result run(std::vector<std::string> const& argv, std::vector<std::string> const& env,
           run_opts const& opts = {});

// Paths of the built programs and stand-ins.
std::string orv_path();              // the front end
std::string bin_path(char const* name);  // a built program (helpers)
std::string testbed_bin();           // folder of the stand-ins

// The text the programs under test print for error e: their C library's,
// which need not be the tests' own (a musl build).
std::string program_strerror(int e);

// The environment most tests want: PATH=<testbed>:/usr/bin:/bin and
// ORV_TB_DIR=<tbdir> (where stand-ins log their calls), plus extra entries.
std::vector<std::string> testbed_env(std::string const& tbdir,
                                     std::vector<std::string> const& extra = {});

// A fresh directory under $TMPDIR (or /tmp), removed with its content at scope end.
class tempdir {
 public:
  tempdir();
  ~tempdir();
  tempdir(tempdir const&) = delete;
  tempdir& operator=(tempdir const&) = delete;
  std::string const& path() const { return path_; }
  std::string operator/(std::string const& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

// Everything readable from fd until end of file or an error.
std::string read_all(int fd);

void write_file(std::string const& path, std::string const& content, unsigned mode = 0644);
std::string read_file(std::string const& path);
bool file_exists(std::string const& path);

}  // namespace orvtest
