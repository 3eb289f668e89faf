// Live directory locks (against a second process), state size and state.
#include "data/tuvo_live.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "support/bigendian.h"
#include "support/run.h"

namespace {

// A second process that holds a lock on path until told to let go, or until
// release_after_ms have passed when that is not negative.
class holder {
 public:
  holder(std::string const& path, bool exclusive, int release_after_ms = -1) {
    int up[2], down[2];
    if (pipe(up) || pipe(down)) abort();
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      int const fd = open(path.c_str(), exclusive ? O_RDWR : O_RDONLY);
      struct flock l {};
      l.l_type = exclusive ? F_WRLCK : F_RDLCK;
      l.l_whence = SEEK_SET;
      char ok = fd >= 0 && fcntl(fd, F_SETLK, &l) == 0 ? 'y' : 'n';
      if (write(up[1], &ok, 1) != 1) _exit(2);
      if (release_after_ms >= 0) {
        usleep(release_after_ms * 1000);
        _exit(0);
      }
      char c;
      if (read(down[0], &c, 1) < 0) _exit(2);
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    release_ = down[1];
    char ok = 'n';
    if (read(up[0], &ok, 1) != 1) ok = 'n';
    close(up[0]);
    held_ = ok == 'y';
  }
  ~holder() { release(); }
  bool held() const { return held_; }
  void release() {
    if (release_ < 0) return;
    close(release_);
    release_ = -1;
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_;
  int release_ = -1;
  bool held_ = false;
};

// Whether another process could take path exclusively right now.
bool free_for_others(std::string const& path) {
  pid_t const pid = fork();
  if (pid == 0) {
    int const fd = open(path.c_str(), O_RDWR);
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    _exit(fd >= 0 && fcntl(fd, F_SETLK, &l) == 0 ? 0 : 1);
  }
  int wstat;
  waitpid(pid, &wstat, 0);
  return WIFEXITED(wstat) && WEXITSTATUS(wstat) == 0;
}

class TuvoLive : public ::testing::Test {
 protected:
  orvtest::tempdir live;
  std::string compiled = live / "compiled";
  int livefd = -7, compiledfd = -7;

  void SetUp() override { ASSERT_EQ(mkdir(compiled.c_str(), 0755), 0); }
  void TearDown() override {
    if (livefd >= 0) close(livefd);
    if (compiledfd >= 0) close(compiledfd);
  }
  int lock(int live_mode, int compiled_mode, int blocking) {
    return tuvo_lock(live.path().c_str(), live_mode, &livefd, compiled.c_str(), compiled_mode,
                     &compiledfd, blocking);
  }
};

TEST_F(TuvoLive, NoLevelsTouchNothing) {
  EXPECT_EQ(lock(0, 0, 0), 1);
  EXPECT_EQ(livefd, -7);
  EXPECT_EQ(compiledfd, -7);
  EXPECT_FALSE(orvtest::file_exists(live / "lock"));
}

TEST_F(TuvoLive, ExclusiveLockCreatesAnEmptyFileWithModeLessUmask) {
  for (mode_t mask : {022, 027, 0}) {
    unlink((live / "lock").c_str());
    mode_t const old = umask(mask);
    int const r = lock(2, 0, 0);
    umask(old);
    ASSERT_EQ(r, 1);
    struct stat st;
    ASSERT_EQ(stat((live / "lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644 & ~mask);
    EXPECT_EQ(compiledfd, -7);
    EXPECT_TRUE(fcntl(livefd, F_GETFD) & FD_CLOEXEC);
    close(livefd);
    livefd = -7;
  }
  orvtest::write_file(live / "lock", "left over");
  ASSERT_EQ(lock(2, 0, 0), 1);
  EXPECT_EQ(orvtest::read_file(live / "lock"), "");
}

TEST_F(TuvoLive, BothLocksAreHeldWithTheirLevels) {
  orvtest::write_file(compiled + "/lock", "");
  ASSERT_EQ(lock(2, 1, 0), 1);
  EXPECT_TRUE(fcntl(compiledfd, F_GETFD) & FD_CLOEXEC);
  EXPECT_FALSE(free_for_others(live / "lock"));
  EXPECT_FALSE(free_for_others(compiled + "/lock"));  // shared: no one may take it exclusively
  holder reader(compiled + "/lock", false);
  EXPECT_TRUE(reader.held());  // but sharing it is fine
}

TEST_F(TuvoLive, LockHeldElsewhereIsBusyAndReleasesTheFirst) {
  orvtest::write_file(live / "lock", "");
  orvtest::write_file(compiled + "/lock", "");
  struct {
    char const* what;
    std::string held;
    int live_mode, compiled_mode;
  } const cases[] = {
      {"live lock held", live / "lock", 2, 1},
      {"compiled lock held exclusively", compiled + "/lock", 2, 1},
      {"compiled lock held, exclusive wanted alone", compiled + "/lock", 0, 2},
  };
  for (auto const& c : cases) {
    holder h(c.held, true);
    ASSERT_TRUE(h.held()) << c.what;
    errno = 0;
    EXPECT_EQ(lock(c.live_mode, c.compiled_mode, 0), 0) << c.what;
    EXPECT_EQ(errno, EBUSY) << c.what;
    EXPECT_EQ(livefd, -7) << c.what;
    EXPECT_EQ(compiledfd, -7) << c.what;
    h.release();
    EXPECT_TRUE(free_for_others(live / "lock")) << c.what;
  }
}

TEST_F(TuvoLive, MissingCompiledLockFileReleasesTheLiveLock) {
  errno = 0;
  EXPECT_EQ(lock(2, 1, 1), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(livefd, -7);
  EXPECT_TRUE(free_for_others(live / "lock"));
}

TEST_F(TuvoLive, BlockingWaitsForTheOtherProcess) {
  orvtest::write_file(live / "lock", "");
  holder h(live / "lock", true, 300);
  ASSERT_TRUE(h.held());
  auto const t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(lock(2, 0, 1), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(200));
  EXPECT_FALSE(free_for_others(live / "lock"));
}

std::string sizes(uint32_t ncommand, uint32_t nlongrun) {
  return orvtest::be32_words({ncommand, nlongrun, 0, 0, 0, 0});
}

TEST_F(TuvoLive, StateSizeComesFromTheCompiledSizesFile) {
  uint32_t nl = 77, nc = 77;
  orvtest::write_file(compiled + "/n", sizes(2, 3));
  ASSERT_EQ(tuvo_live_state_size(live.path().c_str(), &nl, &nc), 1);
  EXPECT_EQ(nl, 3u);
  EXPECT_EQ(nc, 2u);

  struct {
    char const* what;
    std::string n;
    int err;
  } const bad[] = {
      {"short sizes file", sizes(2, 3).substr(0, 23), EPIPE},
      {"long sizes file", sizes(2, 3) + "x", EINVAL},
      {"counts that add up past 32 bits", sizes(0x80000000, 0x80000000), EINVAL},
  };
  for (auto const& b : bad) {
    orvtest::write_file(compiled + "/n", b.n);
    nl = nc = 77;
    errno = 0;
    EXPECT_EQ(tuvo_live_state_size(live.path().c_str(), &nl, &nc), 0) << b.what;
    EXPECT_EQ(errno, b.err) << b.what;
    EXPECT_EQ(nl, 77u) << b.what;
    EXPECT_EQ(nc, 77u) << b.what;
  }
  errno = 0;
  EXPECT_EQ(tuvo_live_state_size((live / "nowhere").c_str(), &nl, &nc), 0);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(TuvoLive, StateKeepsOnlyTheUpDownBit) {
  orvtest::write_file(live / "state", std::string("\x03\x00\xfe\x01\x02", 5));
  struct {
    uint32_t n;
    int result;
    std::string expected;
  } const reads[] = {
      {3, 1, std::string("\x01\x00\x00", 3)},
      {4, 1, std::string("\x01\x00\x00\x01", 4)},
      {5, 1, std::string("\x01\x00\x00\x01\x00", 5)},
      {6, 0, ""},
      {0, 1, ""},
  };
  for (auto const& r : reads) {
    std::string buf(r.n + 1, '\x55');
    errno = 0;
    EXPECT_EQ(tuvo_live_state_read(live.path().c_str(), buf.data(), r.n), r.result) << r.n;
    if (r.result) {
      EXPECT_EQ(buf.substr(0, r.n), r.expected) << r.n;
      EXPECT_EQ(buf[r.n], '\x55') << "wrote past n=" << r.n;
    } else {
      EXPECT_EQ(errno, EINVAL) << r.n;
    }
  }
  unlink((live / "state").c_str());
  char c;
  for (uint32_t n : {0u, 1u}) {
    errno = 0;
    EXPECT_EQ(tuvo_live_state_read(live.path().c_str(), &c, n), 0);
    EXPECT_EQ(errno, ENOENT);
  }
}

}  // namespace
