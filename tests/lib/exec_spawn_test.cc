// What exec and spawn share, as one table over both routines: the
// modification block shapes the program's environment, an undercounted
// block fails, and the dying forms end with 127 or 126 and their message.
// Each call runs in a forked child; a spawning child waits for the program
// and exits with its status, so both routines end the same way.
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/exec.h"
#include "lib/spawn.h"
#include "lib/wait.h"
#include "support/child.h"
#include "support/run.h"

namespace {

using orvtest::child_result;
using orvtest::in_child;
using strings = std::vector<std::string>;

struct call {
  char const* prog;
  char const* const* argv;
  char const* const* envp;
  size_t envlen;
  std::string const& block;
};

struct routine {
  char const* name;
  char const* verb;  // in the dying form's message
  // Returns only on failure, with errno set.
  void (*merged)(call const&, size_t nmodifs);
  void (*dying)(call const&);  // never returns
};

[[noreturn]] void wait_and_exit(pid_t pid) {
  int st = 0;
  if (waitpid_nointr(pid, &st, 0) != pid) _exit(120);
  _exit(wait_estatus(st));
}

routine const routines[] = {
    {"exec", "exec",
     [](call const& c, size_t nmodifs) {
       mexec_afn(c.prog, c.argv, c.envp, c.envlen, c.block.data(), c.block.size(), nmodifs);
     },
     [](call const& c) {
       xmexec_afm(c.prog, c.argv, c.envp, c.envlen, c.block.data(), c.block.size());
     }},
    {"spawn", "spawn",
     [](call const& c, size_t nmodifs) {
       pid_t const pid = mspawn_afn(c.prog, c.argv, c.envp, c.envlen, c.block.data(),
                                    c.block.size(), nmodifs, 0, nullptr, 0);
       if (pid) wait_and_exit(pid);
     },
     [](call const& c) {
       wait_and_exit(xmspawn_afm(c.prog, c.argv, c.envp, c.envlen, c.block.data(), c.block.size(),
                                 0, nullptr, 0));
     }},
};

// The number of entries of a block: its NULs.
size_t entries(std::string const& block) {
  return static_cast<size_t>(std::count(block.begin(), block.end(), '\0'));
}

std::vector<char const*> cvec(strings const& v) {
  std::vector<char const*> r;
  for (auto const& s : v) r.push_back(s.c_str());
  r.push_back(nullptr);
  return r;
}

// Runs env(1) through the routine and returns its output lines, sorted.
strings merged_env(routine const& how, strings const& env, std::string const& block,
                   size_t nmodifs) {
  auto const e = cvec(env);
  char const* argv[] = {"env", nullptr};
  child_result r = in_child([&] {
    how.merged({"env", argv, e.data(), env.size(), block}, nmodifs);
  });
  EXPECT_FALSE(r.returned) << how.name << ": " << strerror(r.returned_errno);
  EXPECT_EQ(r.code, 0) << how.name;
  strings lines;
  for (size_t i = 0, j; (j = r.out.find('\n', i)) != std::string::npos; i = j + 1)
    lines.push_back(r.out.substr(i, j - i));
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(ExecSpawn, ModificationBlockShapesTheEnvironment) {
  using namespace std::string_literals;
  struct {
    strings env;
    std::string block;
    strings want;
  } const rows[] = {
      {{"A=1", "livedir=/run/x", "KEEP=k"}, "livedir\0A=2\0EMPTY=\0"s, {"A=2", "EMPTY=", "KEEP=k"}},
      {{"A=0", "B=1", "scandir=/x"}, "scandir\0A=2\0C=\0"s, {"A=2", "B=1", "C="}},
  };
  for (routine const& how : routines) {
    for (auto const& row : rows) {
      EXPECT_EQ(merged_env(how, row.env, row.block, entries(row.block)), row.want) << how.name;
    }
  }
}

TEST(ExecSpawn, LargeEnvironmentsStillMerge) {
  using namespace std::string_literals;
  strings env;
  for (int i = 0; i < 3000; ++i) env.push_back("V" + std::to_string(i) + "=" + std::to_string(i));
  struct {
    std::string block;
    size_t lines;
    char const* added;
    char const* removed;
  } const rows[] = {
      {"V1\0NEW=1\0"s, 3000, "NEW=1", "V1=1"},
      {"V0\0V2999=last\0"s, 2999, "V2999=last", "V0=0"},
  };
  for (routine const& how : routines) {
    for (auto const& row : rows) {
      strings const got = merged_env(how, env, row.block, entries(row.block));
      EXPECT_EQ(got.size(), row.lines) << how.name;
      EXPECT_TRUE(std::binary_search(got.begin(), got.end(), row.added)) << how.name;
      EXPECT_FALSE(std::binary_search(got.begin(), got.end(), row.removed)) << how.name;
    }
  }
}

TEST(ExecSpawn, UndercountedBlockFailsInsteadOfOverrunning) {
  using namespace std::string_literals;
  std::string const block = "A=1\0B=2\0C=3\0"s;
  char const* const none[] = {nullptr};
  char const* argv[] = {"env", nullptr};
  for (routine const& how : routines) {
    child_result r = in_child([&] { how.merged({"env", argv, none, 0, block}, 1); });
    EXPECT_TRUE(r.returned) << how.name;
    EXPECT_EQ(r.returned_errno, EINVAL) << how.name;
  }
}

TEST(ExecSpawn, DyingFormsEndWith127Or126AndTheMessage) {
  orvtest::tempdir d;
  orvtest::write_file(d / "noexec", "#!/bin/sh\nexit 0\n", 0644);
  std::string const noexec = d / "noexec";
  struct {
    std::string prog;
    int code;
    int err;
  } const rows[] = {{"orv-no-such-program", 127, ENOENT}, {noexec, 126, EACCES}};
  char const* const none[] = {nullptr};
  std::string const no_block;
  for (routine const& how : routines) {
    for (auto const& row : rows) {
      char const* argv[] = {row.prog.c_str(), nullptr};
      child_result r = in_child([&] { how.dying({row.prog.c_str(), argv, none, 0, no_block}); });
      EXPECT_EQ(r.code, row.code) << how.name << " " << row.prog;
      EXPECT_EQ(r.err, std::string("orvtest: fatal: unable to ") + how.verb + " " + row.prog +
                           ": " + strerror(row.err) + "\n")
          << how.name;
    }
    // Found and run: the program's status is the outcome, and nothing is said.
    char const* argv[] = {"sh", "-c", "echo ran; exit 33", nullptr};
    child_result r = in_child([&] { how.dying({"sh", argv, none, 0, no_block}); });
    EXPECT_EQ(r.code, 33) << how.name;
    EXPECT_EQ(r.out, "ran\n") << how.name;
    EXPECT_EQ(r.err, "") << how.name;
  }
}

}  // namespace
