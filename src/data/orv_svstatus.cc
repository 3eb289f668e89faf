#include "data/orv_svstatus.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "lib/fd.h"
#include "lib/openfile.h"
#include "lib/path.h"
#include "lib/readfile.h"
#include "lib/uint_pack.h"

void orv_svstatus_unpack(char const* image, orv_svstatus_t* status) {
  tain_unpack(image + ORV_SVSTATUS_STAMP1, &status->stamp1);
  tain_unpack(image + ORV_SVSTATUS_STAMP2, &status->stamp2);
  uint64_t pid;
  uint64_unpack_big(image + ORV_SVSTATUS_PID, &pid);
  // Only the low half is a process id here; what to do with one that is not
  // positive is the caller's decision.
  status->pid = static_cast<pid_t>(static_cast<uint32_t>(pid));
  status->pid_field = pid;
  uint16_t wstat;
  uint16_unpack_big(image + ORV_SVSTATUS_WSTAT, &wstat);
  status->wstat = wstat;
  status->flags = static_cast<uint8_t>(image[ORV_SVSTATUS_FLAGS] & 0x0f);
}

int orv_svstatus_read_image(char const* dir, char* image) {
  path_join const path(dir, "/supervise/status");
  if (!path) return 0;

  // Whoever can write the service directory can put a FIFO or a device
  // there: opening must not wait for a writer nor take a terminal, and only
  // a regular file is read.
  int const fd = openc_read(path.get());
  if (fd < 0) return 0;
  struct stat st;
  bool const stated = fstat(fd, &st) == 0;
  if (!stated || !S_ISREG(st.st_mode)) {
    if (stated) errno = EINVAL;
    fd_close(fd);
    return 0;
  }
  char buf[ORV_SVSTATUS_SIZE];
  ssize_t const r = readnclose(fd, buf, sizeof buf);
  if (r < 0) return 0;
  if (static_cast<size_t>(r) < sizeof buf) {
    errno = EPIPE;
    return 0;
  }
  memcpy(image, buf, sizeof buf);
  return 1;
}

int orv_svstatus_read(char const* dir, orv_svstatus_t* status) {
  char image[ORV_SVSTATUS_SIZE];
  if (!orv_svstatus_read_image(dir, image)) return 0;
  orv_svstatus_unpack(image, status);
  return 1;
}
