// A read error in the database keeps its errno, also when part of the
// bytes asked for came in before it; only the end of the file is EPIPE.
// The errors come from a readv that this binary puts in front of the C
// library's, armed for one file only.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "data/tuvo_db.h"
#include "support/run.h"

namespace {

// The armed file, by device and inode; the bytes its first read may give
// (the whole request when 0), after which every read fails with EIO.
struct {
  bool armed = false;
  dev_t dev = 0;
  ino_t ino = 0;
  size_t first = 0;
  int reads = 0;
} fault;

using readv_fn = ssize_t (*)(int, iovec const*, int);

bool is_armed(int fd) {
  if (!fault.armed) return false;
  struct stat st;
  return fstat(fd, &st) == 0 && st.st_dev == fault.dev && st.st_ino == fault.ino;
}

}  // namespace

extern "C" ssize_t readv(int fd, iovec const* iov, int n) {
  static auto const real = reinterpret_cast<readv_fn>(dlsym(RTLD_NEXT, "readv"));
  if (!is_armed(fd)) return real(fd, iov, n);
  if (fault.reads++ || !fault.first) {
    errno = EIO;
    return -1;
  }
  // One iovec cut to the allowed length: a short read, as files may give.
  iovec one = iov[0];
  if (one.iov_len > fault.first) one.iov_len = fault.first;
  return real(fd, &one, 1);
}

namespace {

using orvtest::tempdir;
using orvtest::write_file;

constexpr uint32_t kStrings = 64;

struct case_t {
  char const* what;
  size_t file_bytes;  // of the header and string block that exist
  size_t first;       // bytes before the error; 0: error at once; SIZE_MAX: no error
  int err;
};

TEST(TuvoDbReadError, ReadErrorsKeepTheirErrnoOnlyEndOfFileIsEpipe) {
  case_t const cases[] = {
      {"error before any byte", 15 + kStrings, 0, EIO},
      {"error inside the header", 15 + kStrings, 7, EIO},
      {"error inside the string block", 15 + kStrings, 15 + 10, EIO},
      {"end of file inside the header", 9, SIZE_MAX, EPIPE},
      {"end of file inside the string block", 15 + 20, SIZE_MAX, EPIPE},
  };
  for (case_t const& c : cases) {
    tempdir d;
    std::string content = TUVO_DB_HEADER + std::string(kStrings, 'a');
    write_file(d / "db", content.substr(0, c.file_bytes));
    int const dirfd = open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dirfd, 0);
    struct stat st;
    ASSERT_EQ(stat((d / "db").c_str(), &st), 0);

    std::vector<char> strings(kStrings);
    tuvo_db_t db{};
    db.strings_size = kStrings;
    db.strings = strings.data();
    fault = {};
    if (c.first != SIZE_MAX) fault = {true, st.st_dev, st.st_ino, c.first, 0};
    errno = 0;
    int const r = tuvo_db_read(dirfd, &db);
    int const e = errno;
    fault.armed = false;
    close(dirfd);
    EXPECT_EQ(r, -1) << c.what;
    EXPECT_EQ(e, c.err) << c.what << ": " << strerror(e);
  }
}

}  // namespace
