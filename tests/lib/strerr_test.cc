#include "lib/strerr.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "lib/buffer.h"
#include "support/child.h"

namespace {

using orvtest::in_child;

TEST(Strerr, ProgStartsAsNone) {
  auto r = in_child([] { strerr_warn({"x"}); }, {.prog = nullptr});
  EXPECT_EQ(r.err, "(none): warning: x\n");
}

TEST(Strerr, WarnvsysAppendsErrorTextAndKeepsErrno) {
  auto r = in_child([] {
    PROG = "orvctl";
    char const* pieces[] = {PROG, ": fatal: ", "unable to ", "spawn ", "tuvo"};
    errno = ENOENT;
    strerr_warnvsys(pieces, 5);
    _exit(errno == ENOENT ? 0 : 1);
  });
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, std::string("orvctl: fatal: unable to spawn tuvo: ") + strerror(ENOENT) + "\n");
}

TEST(Strerr, NullPiecesAreSkipped) {
  auto r = in_child([] {
    char const* pieces[] = {nullptr, "a", nullptr, nullptr, "b", nullptr};
    errno = EBADF;
    strerr_warnv(pieces, 6);
    _exit(errno == EBADF ? 0 : 1);
  });
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "ab\n");
}

TEST(Strerr, EachFormHasItsKindAndExit) {
  struct {
    std::function<void()> f;
    int code;
    std::string err;
  } const cases[] = {
      {[] {
         strerr_warn({"w", nullptr, "x"});
       },
       222, "p: warning: wx\n"},
      {[] {
         errno = EACCES, strerr_warnsys({"unable to ", "open ", "f"});
       },
       222, std::string("p: warning: unable to open f: ") + strerror(EACCES) + "\n"},
      {[] {
         strerr_fatal({"gone", nullptr, "?"});
       },
       222, "p: fatal: gone?\n"},
      {[] {
         errno = ENOENT, strerr_fatalsys({"unable to ", "spawn ", "t"});
       },
       222, std::string("p: fatal: unable to spawn t: ") + strerror(ENOENT) + "\n"},
      {[] { errno = ENOSPC, strerr_die_write_stdout(); }, 111,
       std::string("p: fatal: unable to write to stdout: ") + strerror(ENOSPC) + "\n"},
      {[] { strerr_die(111, {"gone"}); }, 111, "p: fatal: gone\n"},
      {[] {
         errno = EPERM, strerr_diesys(111, {"unable to ", "kill"});
       },
       111, std::string("p: fatal: unable to kill: ") + strerror(EPERM) + "\n"},
      {[] { strerr_dieusage(100, {"p cmd [ args... ]"}); }, 100, "p: usage: p cmd [ args... ]\n"},
      {[] {
         char const* pieces[] = {PROG, ": fatal: ", "bad"};
         strerr_diev(4, pieces, 3);
       },
       4, "p: fatal: bad\n"},
      {[] {
         char const* pieces[] = {"x"};
         errno = EIO, strerr_dievsys(111, pieces, 1);
       },
       111, std::string("x: ") + strerror(EIO) + "\n"},
  };
  for (auto const& c : cases) {
    auto r = in_child([&] {
      PROG = "p";
      c.f();
    });
    EXPECT_EQ(r.code, c.code) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(Strerr, DieLosesQueuedStandardOutput) {
  auto r = in_child([] {
    PROG = "p";
    buffer_puts(buffer_1, "queued");
    strerr_die(100, {"stop"});
  });
  EXPECT_EQ(r.code, 100);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "p: fatal: stop\n");
}

// An info line goes to the buffer it is given, unflushed, and says whether
// the buffer took it.
TEST(Strerr, InfoLineGoesToTheGivenBuffer) {
  auto r = in_child([] {
    PROG = "p";
    bool const ok = strerr_info(buffer_1, {"brought ", nullptr, "up", ":"});
    buffer_puts(buffer_1, "web\n");
    buffer_flush(buffer_1);
    _exit(ok ? 0 : 1);
  });
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "p: info: brought up:\nweb\n");
  EXPECT_EQ(r.err, "");
}

TEST(Strerr, LongDiagnosticArrivesWhole) {
  static std::string const longpiece(3000, 'z');
  auto r = in_child([] {
    PROG = "p";
    strerr_warn({longpiece.c_str(), "!"});
  });
  EXPECT_EQ(r.err, "p: warning: " + longpiece + "!\n");
}

}  // namespace
