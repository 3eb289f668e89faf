// Table-driven runs of the front end against the recording stand-ins: one
// row gives the command line, the stand-ins' control files, and what the
// tools must receive.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace orvtest {

// One row of a command-line table, written with designated initializers:
//   {.name = "Start", .args = {"live", "start", "web"}, .calls = {{"tuvo", ...}}}
// Each table says what its args follow ("orv", or "orv -s $S process").
struct cli_row {
  char const* name;
  std::vector<std::string> args;
  std::vector<std::string> env = {};                   // added to the run's environment
  std::map<std::string, std::string> control = {};     // control files of the stand-ins
  std::function<void(std::string const&)> setup = {};  // changes to the live directory
  // When not empty, PATH holds only these stand-ins; a name starting with
  // "!" is a file of that name without execute permission.
  std::vector<std::string> tools = {};
  int code = 0;
  std::string out = {};
  std::string err = {};
  std::vector<std::vector<std::string>> calls = {};  // vectors the tools received, in order
};

// Rows print as their name in test listings.
inline void PrintTo(cli_row const& c, std::ostream* os) {
  *os << c.name;
}

// What a run must show: its exit code, both outputs, and the vectors the
// stand-ins recorded, in order.
struct handoff_expect {
  int code;
  std::string out;
  std::string err;
  std::vector<std::vector<std::string>> calls;
};

// Runs argv with env, the stand-ins recording in tbdir, and checks all of
// want, and that no tool saw a configuration variable. expand, when given,
// rewrites every expected string first (placeholders for temporary paths).
void expect_run(std::vector<std::string> const& argv, std::vector<std::string> const& env,
                std::string const& tbdir, handoff_expect const& want,
                std::function<std::string(std::string const&)> const& expand = {});

// Runs the row and checks the exit code, standard error, an empty standard
// output, the vectors received, and that no tool saw a configuration
// variable. defaults are control files written before the row's own.
void expect_handoff(cli_row const& c, std::map<std::string, std::string> const& defaults = {});

// `orv GROUP help WORD` prints exactly text and exits 0 (WORD shows that
// what follows "help" is ignored); with standard output on /dev/full the
// same command exits 111 with the write-failure line.
void expect_help_text(std::string const& group, std::string const& word, std::string const& text);

}  // namespace orvtest
