#include "lib/buffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lib/fd.h"

namespace {

// A recording output op: each call is kept as its pieces; it accepts at most
// `limit` bytes per call, or fails with `fail_errno` (returning `fail_ret`).
struct recorder {
  std::vector<std::vector<std::string>> calls;
  std::string written;
  size_t limit = SIZE_MAX;
  int fail_errno = 0;
  ssize_t fail_ret = -1;
} rec;

ssize_t record_op(int, iovec const* v, unsigned n) {
  std::vector<std::string> call;
  for (unsigned k = 0; k < n; k++)
    if (v[k].iov_len) call.emplace_back(static_cast<char*>(v[k].iov_base), v[k].iov_len);
  rec.calls.push_back(call);
  if (rec.fail_errno) {
    errno = rec.fail_errno;
    return rec.fail_ret;
  }
  std::string all;
  for (auto const& p : call) all += p;
  if (all.size() > rec.limit) all.resize(rec.limit);
  rec.written += all;
  return static_cast<ssize_t>(all.size());
}

class Output : public ::testing::Test {
 protected:
  void SetUp() override {
    rec = recorder{};
    ASSERT_EQ(buffer_init(&b, record_op, 9, storage, sizeof storage), 1);
  }
  char storage[8];
  buffer b;
};

TEST_F(Output, BytesWaitWhileTheyFit) {
  EXPECT_EQ(buffer_put(&b, "1234567", 7), 7);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(buffer_flush(&b), 1);
  EXPECT_EQ(rec.written, "1234567");
  EXPECT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(buffer_flush(&b), 1);  // nothing queued: no call
  EXPECT_EQ(rec.calls.size(), 1u);
}

TEST_F(Output, OverflowWritesOnceThenQueues) {
  EXPECT_EQ(buffer_put(&b, "12345678", 8), 8);
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(rec.written, "1234567");
  EXPECT_EQ(cbuffer_len(&b.ring), 1u);
}

TEST_F(Output, WrappedContentGoesInOneWriteOfTwoPieces) {
  ASSERT_EQ(buffer_putflush(&b, "abcde", 5), 5);
  ASSERT_EQ(buffer_puts(&b, "fghijk"), 6);
  ASSERT_EQ(buffer_flush(&b), 1);
  ASSERT_EQ(rec.calls.size(), 2u);
  EXPECT_EQ(rec.calls[1], (std::vector<std::string>{"fgh", "ijk"}));
  EXPECT_EQ(rec.written, "abcdefghijk");
}

TEST_F(Output, ShortWritesAreContinued) {
  rec.limit = 2;
  EXPECT_EQ(buffer_putsflush(&b, "abcdefghijklmnop"), 16);
  EXPECT_EQ(rec.written, "abcdefghijklmnop");
  EXPECT_TRUE(cbuffer_isempty(&b.ring));
}

TEST_F(Output, FailedWriteKeepsBytesQueued) {
  rec.fail_errno = EIO;
  EXPECT_EQ(buffer_put(&b, "abcde", 5), 5);
  size_t w = 0;
  EXPECT_EQ(buffer_putall(&b, "fghij", 5, &w), 0);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(w, 2u);  // the ring took what fitted
  EXPECT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(buffer_flush(&b), 0);
  rec.fail_errno = 0;
  EXPECT_EQ(buffer_putall(&b, "fghij", 5, &w), 1);  // resumes at the counter
  EXPECT_EQ(w, 5u);
  EXPECT_EQ(buffer_flush(&b), 1);
  EXPECT_EQ(rec.written, "abcdefghij");
}

TEST_F(Output, WriteOfZeroIsAFailure) {
  rec.fail_errno = EIO;
  rec.fail_ret = 0;
  EXPECT_EQ(buffer_putflush(&b, "x", 1), -1);
  EXPECT_EQ(cbuffer_len(&b.ring), 1u);
}

TEST_F(Output, CounterBeyondLenIsInvalid) {
  size_t w = 4;
  errno = 0;
  EXPECT_EQ(buffer_putall(&b, "abc", 3, &w), 0);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_TRUE(rec.calls.empty());
}

// A parent can hand us a non-blocking descriptor: a full pipe is waited
// for, and every byte arrives in order.
TEST(Buffer, FullNonBlockingPipeIsWaitedFor) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(fcntl(p[1], F_SETFL, O_NONBLOCK), 0);
  std::string data;
  for (int i = 0; data.size() < 300000; ++i) data += std::to_string(i) + ",";
  std::string got;
  std::thread reader([&] {
    usleep(100000);  // let the writer find the pipe full first
    char chunk[4096];
    ssize_t r;
    while ((r = read(p[0], chunk, sizeof chunk)) > 0) got.append(chunk, static_cast<size_t>(r));
  });
  char storage[8192];
  buffer b = BUFFER_INIT(fd_writev, p[1], storage, sizeof storage);
  errno = 0;
  EXPECT_EQ(buffer_putflush(&b, data.data(), data.size()), static_cast<ssize_t>(data.size()));
  EXPECT_EQ(errno, 0);
  close(p[1]);
  reader.join();
  close(p[0]);
  EXPECT_EQ(got, data);
}

TEST(Buffer, ClosedDescriptorFailsOnlyWhenTheRingIsFull) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  close(p[0]);
  close(p[1]);
  char storage[8];
  buffer b;
  ASSERT_EQ(buffer_init(&b, fd_writev, p[1], storage, sizeof storage), 1);
  EXPECT_EQ(buffer_put(&b, "abcde", 5), 5);
  EXPECT_EQ(buffer_put(&b, "fghij", 5), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(cbuffer_len(&b.ring), 7u);
  EXPECT_EQ(buffer_putflush(&b, "", 0), -1);
}

TEST(Buffer, InitRejectsTinyCapacity) {
  char s[1];
  buffer b;
  errno = 0;
  EXPECT_EQ(buffer_init(&b, fd_writev, 1, s, 1), 0);
  EXPECT_EQ(errno, EINVAL);
}

TEST(Buffer, FixedObjects) {
  struct {
    buffer const* b;
    int fd;
    size_t capacity;
  } const cases[] = {{buffer_1, 1, 8192}, {buffer_2, 2, 1024}, {buffer_1small, 1, 512}};
  for (auto const& c : cases) {
    EXPECT_EQ(c.b->op, fd_writev);
    EXPECT_EQ(c.b->fd, c.fd);
    EXPECT_EQ(c.b->ring.capacity, c.capacity);
    EXPECT_NE(c.b->ring.storage, nullptr);
  }
  EXPECT_NE(buffer_1->ring.storage, buffer_1small->ring.storage);
}

TEST(ReadConventions, SanitizeAndBack) {
  struct {
    ssize_t r;
    int err_in;
    ssize_t want;
    int err_out;
  } const sanitize[] = {{0, 0, -1, EPIPE}, {-1, EAGAIN, 0, 0}, {-1, EIO, -1, EIO}, {5, 7, 5, 7}},
          unsanitize[] = {{0, 0, -1, EAGAIN}, {-1, EPIPE, 0, 0}, {-1, EIO, -1, EIO}, {5, 7, 5, 7}};
  for (auto const& c : sanitize) {
    errno = c.err_in;
    EXPECT_EQ(sanitize_read(c.r), c.want) << c.r << " " << c.err_in;
    EXPECT_EQ(errno, c.err_out);
  }
  for (auto const& c : unsanitize) {
    errno = c.err_in;
    EXPECT_EQ(unsanitize_read(c.r), c.want) << c.r << " " << c.err_in;
    EXPECT_EQ(errno, c.err_out);
  }
  errno = EAGAIN;
  EXPECT_EQ(unsanitize_read(sanitize_read(-1)), -1);
  EXPECT_EQ(errno, EAGAIN);
  EXPECT_EQ(unsanitize_read(sanitize_read(0)), 0);
}

// Input over a pipe holding `data`, its write end closed unless `keep_open`.
class Input : public ::testing::Test {
 protected:
  void feed(std::string const& data, bool keep_open = false, bool nonblock = false) {
    ASSERT_EQ(pipe(p), 0);
    ASSERT_EQ(write(p[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
    if (!keep_open) close(p[1]), p[1] = -1;
    if (nonblock) fcntl(p[0], F_SETFL, O_NONBLOCK);
    ASSERT_EQ(buffer_init(&b, fd_readv, p[0], storage, sizeof storage), 1);
  }
  void TearDown() override {
    for (int fd : p)
      if (fd >= 0) close(fd);
  }
  int p[2] = {-1, -1};
  char storage[4];
  buffer b;
};

TEST_F(Input, GetStopsAtEndOfFile) {
  feed("abc");
  char out[10] = {};
  EXPECT_EQ(buffer_get(&b, out, 10), 3);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(buffer_get(&b, out, 10), 0);
}

TEST_F(Input, GetallCrossesTheRingManyTimes) {
  feed("0123456789");
  char out[11] = {};
  size_t w = 0;
  EXPECT_EQ(buffer_getall(&b, out, 10, &w), 1);
  EXPECT_EQ(w, 10u);
  EXPECT_STREQ(out, "0123456789");
  w = 0;
  EXPECT_EQ(buffer_getall(&b, out, 1, &w), -1);
  EXPECT_EQ(errno, EPIPE);
  w = 2;
  EXPECT_EQ(buffer_getall(&b, out, 1, &w), -1);
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(Input, FillReportsAFullRing) {
  feed("abcdef");
  EXPECT_EQ(buffer_fill(&b), 3);
  EXPECT_EQ(buffer_fill(&b), -1);
  EXPECT_EQ(errno, ENOBUFS);
}

TEST_F(Input, NonBlockingWithNothingYet) {
  feed("", true, true);
  char out[4];
  size_t w = 0;
  EXPECT_EQ(buffer_getall(&b, out, 4, &w), 0);
  EXPECT_EQ(buffer_get(&b, out, 4), -1);
  EXPECT_EQ(errno, EAGAIN);
}

// Bytes already taken from the ring must reach the caller even when the
// descriptor then has nothing more to give.
TEST_F(Input, NonBlockingPartialReadIsNotLost) {
  feed("xyz", true, true);
  char out[10] = {};
  EXPECT_EQ(buffer_get(&b, out, 10), 3);
  EXPECT_STREQ(out, "xyz");
  EXPECT_EQ(buffer_get(&b, out, 10), -1);
  EXPECT_EQ(errno, EAGAIN);
}

}  // namespace
