// Compiled database readers. Input: one selector byte (its low two bits make
// the sizes file 24, 23, 25 or 24 bytes long), the sizes file, then "db".
// Both are written to a scratch directory and read back; the caller-sized
// and the heap readers must agree, and a valid result must hold together.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/tuvo_db.h"
#include "fuzz_check.h"

namespace {

int dirfd = -1;
char scratch[] = "/tmp/orv-fuzz-db.XXXXXX";

void cleanup() {
  unlinkat(dirfd, "n", 0);
  unlinkat(dirfd, "db", 0);
  rmdir(scratch);
}

// A fresh file each time: truncating one in place can cost a flush.
void put(char const* name, uint8_t const* data, size_t len) {
  unlinkat(dirfd, name, 0);
  int const fd = openat(dirfd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(write(fd, data, len) == static_cast<ssize_t>(len));
  close(fd);
}

// Exactly sized blocks, so that the sanitizer sees one byte too far.
template <class T>
T* exact(uint64_t n) {
  return static_cast<T*>(malloc(n ? n * sizeof(T) : 1));
}

void check_valid(tuvo_db_t const& d) {
  uint64_t const n = uint64_t{d.nlongrun} + d.ncommand;
  for (uint64_t i = 0; i < 2 * uint64_t{d.nedges}; ++i) FUZZ_CHECK(d.dep_list[i] < n);
  for (uint32_t i = 0; i < d.nlongrun_refs; ++i) FUZZ_CHECK(d.longrun_refs[i] < d.nlongrun);
  uint64_t slots = 0;
  for (uint64_t i = 0; i < n; ++i) {
    tuvo_service_t const& s = d.services[i];
    FUZZ_CHECK(s.name < d.strings_size);
    FUZZ_CHECK(memchr(d.strings + s.name, 0, d.strings_size - s.name));
    for (int k = 0; k < 2; ++k) FUZZ_CHECK(uint64_t{s.dep_start[k]} + s.dep_count[k] <= d.nedges);
    if (i < d.nlongrun) continue;
    for (int k = 0; k < 2; ++k) {
      FUZZ_CHECK(s.command.vec_start[k] == slots);
      char const* const* v = d.vecslots + s.command.vec_start[k];
      for (uint32_t j = 0; j < s.command.vec_count[k]; ++j) {
        FUZZ_CHECK(v[j] >= d.strings && v[j] < d.strings + d.strings_size);
        FUZZ_CHECK(memchr(v[j], 0, d.strings + d.strings_size - v[j]));
      }
      FUZZ_CHECK(v[s.command.vec_count[k]] == nullptr);
      slots += s.command.vec_count[k] + 1;
    }
  }
  FUZZ_CHECK(slots == d.nvecslots);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(mkdtemp(scratch));
  dirfd = open(scratch, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  FUZZ_CHECK(dirfd >= 0);
  atexit(cleanup);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  if (size < 1) return 0;
  static constexpr size_t lens[] = {24, 23, 25, 24};
  size_t const nlen = lens[data[0] & 3];
  if (size < 1 + nlen) return 0;
  put("n", data + 1, nlen);
  put("db", data + 1 + nlen, size - 1 - nlen);

  tuvo_db_t d{};
  int const sizes = tuvo_db_read_sizes(dirfd, &d);
  FUZZ_CHECK(sizes == 1 || sizes == 0);
  FUZZ_CHECK(sizes == (nlen == 24));
  if (!sizes) return 0;

  tuvo_db_t loaded = d;
  int const l = tuvo_db_load(dirfd, &loaded);
  FUZZ_CHECK(l == 1 || l == 0 || l == -1);
  if (l == 1) check_valid(loaded);
  if (l != 1) FUZZ_CHECK(!loaded.services && !loaded.strings && !loaded.vecslots);
  tuvo_db_free(&loaded);

  uint64_t const n = uint64_t{d.nlongrun} + d.ncommand;
  uint64_t const total =
      n + d.strings_size + d.nvecslots + 2 * uint64_t{d.nedges} + d.nlongrun_refs;
  if (n > UINT32_MAX || total > (1u << 16)) return 0;
  d.services = exact<tuvo_service_t>(n);
  d.strings = exact<char>(d.strings_size);
  d.vecslots = exact<char const*>(d.nvecslots);
  d.dep_list = exact<uint32_t>(2 * uint64_t{d.nedges});
  d.longrun_refs = exact<uint32_t>(d.nlongrun_refs);
  int const r = tuvo_db_read(dirfd, &d);
  FUZZ_CHECK(r == l);
  if (r == 1) check_valid(d);
  free(d.services);
  free(d.strings);
  free(d.vecslots);
  free(d.dep_list);
  free(d.longrun_refs);
  return 0;
}
