// Descriptor wrappers, opening shorthands and record locks.
#include "lib/fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>

#include "lib/openfile.h"
#include "support/run.h"

namespace {

using orvtest::tempdir;
using orvtest::write_file;

struct pipe_pair {
  int r = -1, w = -1;
  pipe_pair() {
    int p[2];
    EXPECT_EQ(pipe(p), 0);
    r = p[0];
    w = p[1];
  }
  ~pipe_pair() {
    if (r >= 0) close(r);
    if (w >= 0) close(w);
  }
};

bool is_open(int fd) {
  return fcntl(fd, F_GETFD) >= 0;
}
bool cloexec(int fd) {
  return fcntl(fd, F_GETFD) & FD_CLOEXEC;
}
bool nonblock(int fd) {
  return fcntl(fd, F_GETFL) & O_NONBLOCK;
}

void on_alarm(int) {}

// Interrupts the next blocking call with SIGALRM (no SA_RESTART) after ms.
struct alarm_soon {
  struct sigaction old {};
  explicit alarm_soon(int ms) {
    struct sigaction sa {};
    sa.sa_handler = on_alarm;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGALRM, &sa, &old);
    itimerval it{};
    it.it_value.tv_usec = ms * 1000;
    setitimer(ITIMER_REAL, &it, nullptr);
  }
  ~alarm_soon() {
    itimerval it{};
    setitimer(ITIMER_REAL, &it, nullptr);
    sigaction(SIGALRM, &old, nullptr);
  }
};

TEST(Fd, VectorReadAndWriteMoveAllPiecesAndKeepErrno) {
  pipe_pair p;
  char a[] = "hello, ", b[] = "world";
  iovec out[2] = {{a, 7}, {b, 5}};
  errno = 4242;
  EXPECT_EQ(fd_writev(p.w, out, 2), 12);
  EXPECT_EQ(errno, 4242);
  char x[5], y[16];
  iovec in[2] = {{x, sizeof x}, {y, sizeof y}};
  EXPECT_EQ(fd_readv(p.r, in, 2), 12);
  EXPECT_EQ(errno, 4242);
  EXPECT_EQ(std::string(x, 5) + std::string(y, 7), "hello, world");
  close(p.w);
  p.w = -1;
  EXPECT_EQ(fd_readv(p.r, in, 2), 0);  // end of file
  EXPECT_EQ(errno, 4242);
}

TEST(Fd, FailuresReturnMinusOneWithTheCallsErrno) {
  char c;
  iovec v = {&c, 1};
  errno = 0;
  EXPECT_EQ(fd_read(-1, &c, 1), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(fd_write(-1, &c, 1), -1);
  EXPECT_EQ(fd_readv(-1, &v, 1), -1);
  EXPECT_EQ(fd_writev(-1, &v, 1), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(open2("/nonexistent/x", O_RDONLY), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(Fd, ReadIsRetriedWhenASignalInterruptsIt) {
  pipe_pair p;
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    usleep(300 * 1000);
    (void)!write(p.w, "x", 1);
    _exit(0);
  }
  char c = 0;
  errno = 77;
  ssize_t r;
  {
    alarm_soon a(50);
    r = fd_read(p.r, &c, 1);
  }
  EXPECT_EQ(r, 1);
  EXPECT_EQ(c, 'x');
  EXPECT_EQ(errno, 77);
  waitpid(pid, nullptr, 0);
}

TEST(Fd, OpenFormsKeepErrnoOnSuccess) {
  tempdir d;
  write_file(d / "f", "abc");
  errno = 99;
  int fd = open2((d / "f").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(errno, 99);
  close(fd);
  fd = open3((d / "g").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(errno, 99);
  struct stat st;
  ASSERT_EQ(fstat(fd, &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(fd_write(fd, "xy", 2), 2);
  EXPECT_EQ(errno, 99);
  close(fd);
  int dir = open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
  fd = open2_at(dir, "f", O_RDONLY);
  ASSERT_GE(fd, 0);
  char buf[8];
  EXPECT_EQ(fd_read(fd, buf, sizeof buf), 3);
  EXPECT_EQ(errno, 99);
  close(fd);
  close(dir);
}

TEST(Fd, CloseKeepsErrnoEvenWhenItFails) {
  int fd = open("/dev/null", O_RDONLY);
  errno = 55;
  fd_close(fd);
  EXPECT_EQ(errno, 55);
  EXPECT_FALSE(is_open(fd));
  errno = 55;
  fd_close(fd);  // already closed: EBADF is swallowed
  EXPECT_EQ(errno, 55);
}

TEST(Fd, CopyOntoItselfFailsWithEinvalAndLeavesItOpen) {
  int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  errno = 0;
  EXPECT_EQ(fd_copy(fd, fd), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_TRUE(is_open(fd));
  EXPECT_TRUE(cloexec(fd));
  close(fd);
}

TEST(Fd, CopyDuplicatesAndKeepsTheSource) {
  pipe_pair p;
  int to = p.w + 10;
  errno = 31;
  EXPECT_EQ(fd_copy(to, p.w), to);
  EXPECT_EQ(errno, 31);
  EXPECT_TRUE(is_open(p.w));
  EXPECT_EQ(fd_write(to, "z", 1), 1);
  char c;
  EXPECT_EQ(fd_read(p.r, &c, 1), 1);
  EXPECT_EQ(c, 'z');
  close(to);
}

TEST(Fd, MoveOntoItselfOnlyClearsCloseOnExec) {
  int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_TRUE(cloexec(fd));
  EXPECT_EQ(fd_move(fd, fd), 0);
  EXPECT_TRUE(is_open(fd));
  EXPECT_FALSE(cloexec(fd));
  close(fd);
}

TEST(Fd, MoveTransfersAndClosesTheSource) {
  pipe_pair p;
  int to = p.w + 10;
  ASSERT_EQ(fd_move(to, p.w), 0);
  EXPECT_FALSE(is_open(p.w));
  p.w = to;
  EXPECT_EQ(fd_write(to, "m", 1), 1);
}

TEST(Fd, MoveFromAClosedDescriptorLeavesTheTargetAlone) {
  int to = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int from = open("/dev/null", O_RDONLY);
  close(from);
  EXPECT_EQ(fd_move(to, from), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_TRUE(is_open(to));
  EXPECT_TRUE(cloexec(to));
  close(to);
}

TEST(Fd, UncoeAndNdelayOffClearTheirFlags) {
  pipe_pair p;
  fcntl(p.r, F_SETFD, FD_CLOEXEC);
  fcntl(p.r, F_SETFL, O_NONBLOCK);
  EXPECT_EQ(uncoe(p.r), 0);
  EXPECT_FALSE(cloexec(p.r));
  EXPECT_EQ(uncoe(p.r), 0);  // already clear
  EXPECT_EQ(ndelay_off(p.r), 0);
  EXPECT_FALSE(nonblock(p.r));
  EXPECT_EQ(ndelay_off(p.r), 0);
  EXPECT_EQ(uncoe(-1), -1);
  EXPECT_EQ(ndelay_off(-1), -1);
}

TEST(OpenFile, ShorthandsSetTheirFlags) {
  tempdir d;
  write_file(d / "f", "data");
  int dir = open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
  struct row {
    char const* name;
    int fd;
    bool nonblock, cloexec;
  } rows[] = {
      {"openc_read", openc_read((d / "f").c_str()), true, true},
      {"openc_readb", openc_readb((d / "f").c_str()), false, true},
      {"openbc_read", openbc_read((d / "f").c_str()), false, true},
      {"open_readat", open_readat(dir, "f"), true, false},
      {"open_readatb", open_readatb(dir, "f"), false, false},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_GE(r.fd, 0);
    EXPECT_EQ(nonblock(r.fd), r.nonblock);
    EXPECT_EQ(cloexec(r.fd), r.cloexec);
    EXPECT_EQ(fcntl(r.fd, F_GETFL) & O_ACCMODE, O_RDONLY);
    close(r.fd);
  }
  errno = 0;
  EXPECT_EQ(openc_readb((d / "missing").c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(open_readatb(dir, "missing"), -1);
  EXPECT_EQ(errno, ENOENT);
  close(dir);
}

TEST(OpenFile, BlockingFormsOpenAFifoWithoutWaitingForAWriter) {
  tempdir d;
  ASSERT_EQ(mkfifo((d / "p").c_str(), 0600), 0);
  int fd = openc_readb((d / "p").c_str());
  ASSERT_GE(fd, 0);
  EXPECT_FALSE(nonblock(fd));
  close(fd);
}

// A child takes a lock on the file and holds it for hold_ms (0: until its
// pipe closes); returns once the lock is held.
struct locker {
  pid_t pid = -1;
  int ctl = -1;
  locker(std::string const& path, bool w, int hold_ms) {
    int ready[2], go[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(go), 0);
    pid = fork();
    if (pid == 0) {
      close(ready[0]);
      close(go[1]);
      int fd = open(path.c_str(), O_RDWR);
      if (fd_lock(fd, w, 0) != 1) _exit(1);
      (void)!write(ready[1], "l", 1);
      if (hold_ms) {
        usleep(hold_ms * 1000);
      } else {
        char c;
        (void)!read(go[0], &c, 1);
      }
      _exit(0);
    }
    close(ready[1]);
    close(go[0]);
    ctl = go[1];
    char c;
    EXPECT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
  }
  ~locker() {
    close(ctl);
    int st;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  }
};

TEST(FdLock, NonBlockingAgainstAnotherProcess) {
  tempdir d;
  write_file(d / "lock", "");
  struct row {
    bool other_w, w;
    int want;
  } rows[] = {
      {true, true, 0},
      {true, false, 0},
      {false, true, 0},
      {false, false, 1},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(std::to_string(r.other_w) + " " + std::to_string(r.w));
    locker other(d / "lock", r.other_w, 0);
    int fd = open((d / "lock").c_str(), O_RDWR);
    errno = 1234;
    EXPECT_EQ(fd_lock(fd, r.w, 1), r.want);
    EXPECT_EQ(errno, 1234);
    close(fd);  // releases ours before the next row
  }
}

TEST(FdLock, BlockingWaitsForTheReleaseEvenAcrossSignals) {
  tempdir d;
  write_file(d / "lock", "");
  locker other(d / "lock", true, 400);
  int fd = open((d / "lock").c_str(), O_RDWR);
  auto t0 = std::chrono::steady_clock::now();
  int r;
  {
    alarm_soon a(50);
    r = fd_lock(fd, 1, 0);
  }
  auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  EXPECT_EQ(r, 1);
  EXPECT_GE(ms, 200);
  close(fd);
}

TEST(FdLock, OtherFailuresReturnMinusOne) {
  errno = 0;
  EXPECT_EQ(fd_lock(-1, 1, 1), -1);
  EXPECT_EQ(errno, EBADF);
  // A write lock needs a descriptor open for writing.
  tempdir d;
  write_file(d / "lock", "");
  int fd = open((d / "lock").c_str(), O_RDONLY);
  EXPECT_EQ(fd_lock(fd, 1, 1), -1);
  EXPECT_EQ(errno, EBADF);
  close(fd);
}

}  // namespace
