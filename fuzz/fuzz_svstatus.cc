// Supervision status record and signal names. The input is the status file
// of a service directory, and also, up to its first NUL, a signal argument.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/orv_svstatus.h"
#include "fuzz_check.h"
#include "lib/sig.h"

namespace {

std::string svc;

void cleanup() {
  unlink((svc + "/supervise/status").c_str());
  rmdir((svc + "/supervise").c_str());
  rmdir(svc.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/orv-fuzz-svc.XXXXXX";
  FUZZ_CHECK(mkdtemp(tmpl));
  svc = tmpl;
  FUZZ_CHECK(mkdir((svc + "/supervise").c_str(), 0700) == 0);
  atexit(cleanup);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  // A fresh file each time: truncating one in place can cost a flush.
  std::string const path = svc + "/supervise/status";
  unlink(path.c_str());
  int const fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(write(fd, data, size) == static_cast<ssize_t>(size));
  close(fd);

  orv_svstatus_t st;
  memset(&st, 0xa5, sizeof st);
  orv_svstatus_t const untouched = st;
  int const r = orv_svstatus_read(svc.c_str(), &st);
  FUZZ_CHECK(r == (size >= ORV_SVSTATUS_SIZE));
  if (!r) {
    FUZZ_CHECK(errno == EPIPE);
    FUZZ_CHECK(!memcmp(&st, &untouched, sizeof st));
  } else {
    // The reader and a decode of an exactly sized copy agree.
    char* image = static_cast<char*>(malloc(ORV_SVSTATUS_SIZE));
    memcpy(image, data, ORV_SVSTATUS_SIZE);
    orv_svstatus_t direct{};
    orv_svstatus_unpack(image, &direct);
    free(image);
    FUZZ_CHECK(direct.pid == st.pid && direct.wstat == st.wstat && direct.flags == st.flags);
    FUZZ_CHECK(direct.stamp1.sec == st.stamp1.sec && direct.stamp2.nano == st.stamp2.nano);
    FUZZ_CHECK((st.flags & 0xf0) == 0);
    FUZZ_CHECK(st.wstat >= 0 && st.wstat <= 0xffff);
    FUZZ_CHECK(
        static_cast<uint32_t>(st.pid) ==
        (uint32_t{data[28]} << 24 | uint32_t{data[29]} << 16 | uint32_t{data[30]} << 8 | data[31]));
  }

  // Signal argument: an exactly sized NUL-terminated copy.
  size_t const len = strnlen(reinterpret_cast<char const*>(data), size);
  char* arg = static_cast<char*>(malloc(len + 1));
  memcpy(arg, data, len);
  arg[len] = 0;
  int sig = -12345;
  size_t const got = sig0_scan(arg, &sig);
  FUZZ_CHECK(got == 0 || got == len);
  if (got == 0) FUZZ_CHECK(sig == -12345);
  if (got && sig_number(arg)) FUZZ_CHECK(sig == sig_number(arg));
  free(arg);
  return 0;
}
