// Replacing the process: path search (shared with spawn), environment
// merge, dying execs. Each exec runs in a forked child so the test process
// stays.
#include "lib/exec.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "lib/spawn.h"
#include "lib/strerr.h"
#include "lib/wait.h"
#include "support/child.h"
#include "support/run.h"

namespace {

using orvtest::in_child;
using orvtest::tempdir;
using orvtest::write_file;

char const* const kNoEnv[] = {nullptr};

// Search-path fixture: each folder holds its own "tool" (or not).
struct fixture {
  tempdir d;
  fixture() {
    mkdir((d / "a").c_str(), 0755);  // tool not executable
    mkdir((d / "b").c_str(), 0755);  // tool and garbage that run
    mkdir((d / "c").c_str(), 0755);  // garbage that is no program
    mkdir((d / "e").c_str(), 0755);  // empty
    mkdir((d / "dir").c_str(), 0755);
    mkdir((d / "dir/tool").c_str(), 0755);  // a folder named like the program
    mkdir((d / "cwd").c_str(), 0755);
    write_file(d / "a/tool", "#!/bin/sh\necho a\n", 0644);
    write_file(d / "b/tool", "#!/bin/sh\necho b \"$@\"\n", 0755);
    write_file(d / "b/garbage", "#!/bin/sh\necho b-garbage\n", 0755);
    write_file(d / "c/garbage", "this is no program\n", 0755);
    write_file(d / "cwd/tool", "#!/bin/sh\necho cwd\n", 0755);
    write_file(d / "file", "plain file\n", 0644);
  }
  // A path from folder names separated by ":", each made absolute.
  std::string path(std::string const& names) const {
    std::string out;
    size_t i = 0;
    for (;;) {
      size_t j = names.find(':', i);
      std::string el = names.substr(i, j == std::string::npos ? std::string::npos : j - i);
      if (!el.empty()) out += d / el;
      if (j == std::string::npos) break;
      out += ':';
      i = j + 1;
    }
    return out;
  }
};

TEST(Exec, SearchPathCases) {
  fixture fx;
  struct row {
    char const* name;
    char const* prog;
    char const* path;  // folder names; null: a null path
    char const* want_out;
    int want_errno;
  } rows[] = {
      {"FoundInLaterFolder", "tool", "e:b", "b x y\n", 0},
      {"EaccesBeforeEnoent", "tool", "a:e", "", EACCES},
      {"EaccesRememberedButLaterFound", "tool", "a:b", "b x y\n", 0},
      {"EnotdirGoesOn", "tool", "file:b", "b x y\n", 0},
      {"FolderCandidateGoesOn", "tool", "dir:b", "b x y\n", 0},
      {"FolderCandidateAloneIsReported", "tool", "dir:e", "", EACCES},
      {"EmptyElementsSkipped", "tool", "::b:", "b x y\n", 0},
      {"EmptyElementsNeverMeanTheCurrentFolder", "tool", ":e:", "", ENOENT},
      {"OnlyEmptyElements", "tool", "::", "", ENOENT},
      {"EmptyPath", "tool", "", "", ENOENT},
      {"OtherErrorsEndTheWalk", "garbage", "c:b", "", ENOEXEC},
      {"MissingEverywhere", "nothing", "a:b:c", "", ENOENT},
      {"RelativeNameIsNotSearched", "./tool", "b", "cwd\n", 0},
      {"NameWithSlashIsNotSearched", "b/tool", "e", "", ENOENT},
      {"EmptyProgram", "", "b", "", ENOENT},
      {"NullPath", "tool", nullptr, "", EINVAL},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(r.name);
    std::string path = r.path ? fx.path(r.path) : "";
    char const* argv[] = {r.prog, "x", "y", nullptr};
    auto res = in_child([&] { execvep(r.prog, argv, kNoEnv, r.path ? path.c_str() : nullptr); },
                        {.cwd = (fx.d / "cwd").c_str()});
    EXPECT_EQ(res.returned_errno, r.want_errno) << strerror(res.returned_errno);
    EXPECT_EQ(res.out, r.want_out);
    if (!r.path) continue;  // a spawn takes the process's PATH, which cannot be null
    // A spawn with that PATH finds what the exec finds, or fails the same way.
    res = in_child(
        [&] {
          setenv("PATH", path.c_str(), 1);
          pid_t const pid = cspawn(r.prog, argv, kNoEnv, 0, nullptr, 0);
          if (!pid) return;  // errno says why
          int st = 0;
          waitpid_nointr(pid, &st, 0);
          errno = 0;
        },
        {.cwd = (fx.d / "cwd").c_str()});
    EXPECT_EQ(res.returned_errno, r.want_errno) << "spawn: " << strerror(res.returned_errno);
    EXPECT_EQ(res.out, r.want_out) << "spawn";
  }
}

// The walk itself, candidate by candidate: an empty element tries nothing
// at all, not "/" and the name.
TEST(Exec, PathWalkTriesOneCandidatePerNonEmptyElement) {
  using strings = std::vector<std::string>;
  struct row {
    char const* path;
    strings want;
  } rows[] = {
      {"/a:/b", {"/a/tool", "/b/tool"}},
      {":/a", {"/a/tool"}},
      {"/a:", {"/a/tool"}},
      {"/a::/b", {"/a/tool", "/b/tool"}},
      {"", {}},
      {":", {}},
      {"::", {}},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(r.path);
    strings tried;
    errno = 0;
    EXPECT_EQ(exec_path_walk(
                  "tool", r.path,
                  [](char const* file, void* ctx) {
                    static_cast<strings*>(ctx)->push_back(file);
                    return ENOENT;
                  },
                  &tried),
              0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(tried, r.want);
  }
}

TEST(Exec, AbsoluteNameRunsDirectly) {
  fixture fx;
  std::string prog = fx.d / "b/tool";
  auto res = in_child([&] {
    char const* argv[] = {"tool", "z", nullptr};
    execvep(prog.c_str(), argv, kNoEnv, "/nonexistent");
  });
  EXPECT_EQ(res.returned_errno, 0);
  EXPECT_EQ(res.out, "b z\n");
}

TEST(Exec, ArgumentListTooLongIsReported) {
  long max = sysconf(_SC_ARG_MAX);
  if (max <= 0 || max > 64L << 20) GTEST_SKIP() << "no usable ARG_MAX";
  fixture fx;
  std::string big(static_cast<size_t>(max) + 1, 'x');
  std::string path = fx.path("b:b");
  auto res = in_child([&] {
    char const* argv[] = {"tool", big.c_str(), nullptr};
    execvep("tool", argv, kNoEnv, path.c_str());
  });
  EXPECT_EQ(res.returned_errno, E2BIG);
}

TEST(Exec, ExecAeSearchesTheCallersPathOrTheDefault) {
  fixture fx;
  std::string path = fx.path("b");
  auto res = in_child([&] {
    setenv("PATH", path.c_str(), 1);
    char const* argv[] = {"tool", nullptr};
    char const* envp[] = {"PATH=/nonexistent", nullptr};
    exec_ae("tool", argv, envp);
  });
  EXPECT_EQ(res.out, "b\n");

  res = in_child([] {
    unsetenv("PATH");
    char const* argv[] = {"sh", "-c", "echo ran", nullptr};
    exec_ae("sh", argv, kNoEnv);
  });
  EXPECT_EQ(res.returned_errno, 0);
  EXPECT_EQ(res.out, "ran\n");
}

}  // namespace
