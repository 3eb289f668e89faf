#include "data/tuvo_live.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "data/tuvo_db.h"
#include "lib/fd.h"
#include "lib/openfile.h"
#include "lib/path.h"
#include "lib/readfile.h"

namespace {

// Opens dir + "/lock" at level mode and locks it: the descriptor, or -1 with
// nothing left open.
int lock_one(char const* dir, int mode, int blocking) {
  path_join const path(dir, TUVO_LIVE_LOCK);
  if (!path) return -1;
  bool const exclusive = mode >= TUVO_LOCK_EXCLUSIVE;
  // Never through a symbolic link: whoever can write the directory could
  // otherwise have us truncate or create any file we may write.
  int const fd = exclusive
                     ? open3(path.get(),
                             O_RDWR | O_NONBLOCK | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644)
                     : open3(path.get(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  int const r = fd_lock(fd, exclusive, !blocking);
  if (r == 1) return fd;
  if (r == 0) errno = EBUSY;
  fd_close(fd);
  return -1;
}

}  // namespace

int tuvo_lock(char const* livedir, int live_mode, int* live_fd_out, char const* compiled_dir,
              int compiled_mode, int* compiled_fd_out, int blocking) {
  int livefd = -1;
  if (live_mode) {
    livefd = lock_one(livedir, live_mode, blocking);
    if (livefd < 0) return 0;
  }
  int compiledfd = -1;
  if (compiled_mode) {
    compiledfd = lock_one(compiled_dir, compiled_mode, blocking);
    if (compiledfd < 0) {
      if (livefd >= 0) fd_close(livefd);
      return 0;
    }
  }
  if (live_mode) *live_fd_out = livefd;
  if (compiled_mode) *compiled_fd_out = compiledfd;
  return 1;
}

int tuvo_live_state_size(char const* livedir, uint32_t* nlongrun_out, uint32_t* ncommand_out) {
  path_join const path = tuvo_live_compiled(livedir);
  if (!path) return 0;
  int const dirfd = openc_readb(path.get());
  if (dirfd < 0) return 0;
  tuvo_db_t db{};
  int const r = tuvo_db_read_sizes(dirfd, &db);
  fd_close(dirfd);
  if (!r) return 0;
  // The callers add the two into a 32-bit length: a sum that wraps would
  // size the state far too small.
  if (uint64_t{db.nlongrun} + db.ncommand > UINT32_MAX) {
    errno = EINVAL;
    return 0;
  }
  *nlongrun_out = db.nlongrun;
  *ncommand_out = db.ncommand;
  return 1;
}

int tuvo_live_state_read(char const* livedir, char* buf, uint32_t n) {
  path_join const path(livedir, TUVO_LIVE_STATE);
  if (!path) return 0;
  ssize_t const r = openreadnclose(path.get(), buf, n);
  if (r < 0) return 0;
  if (static_cast<uint64_t>(r) < n) {
    errno = EINVAL;
    return 0;
  }
  for (uint32_t i = 0; i < n; ++i) buf[i] &= 1;
  return 1;
}

int tuvo_live_state_check(char const* livedir, uint32_t n) {
  path_join const path(livedir, TUVO_LIVE_STATE);
  if (!path) return 0;
  struct stat st;
  if (stat(path.get(), &st) < 0) return 1;
  if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) < n) {
    errno = EINVAL;
    return 0;
  }
  return 1;
}
