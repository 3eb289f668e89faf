#include "data/tuvo_db.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "lib/alloc.h"
#include "lib/buffer.h"
#include "lib/bytestr.h"
#include "lib/env.h"
#include "lib/fd.h"
#include "lib/openfile.h"
#include "lib/uint_pack.h"

namespace {

// 1, or -1 when the stream ends first (errno EPIPE) or fails: a read error
// keeps its own errno, also after part of the bytes came in.
int get_exact(buffer* b, char* s, size_t len) {
  size_t w = 0;
  int const r = buffer_getall(b, s, len, &w);
  if (r == 1) return 1;
  if (r == 0) errno = EAGAIN;  // a descriptor that would block
  return -1;
}

// Whether the first n strings from s (len bytes) all end inside it.
bool strings_fit(char const* s, size_t len, uint64_t n) {
  for (; n; --n) {
    size_t const i = byte_chr(s, len, 0);
    if (i == len) return false;
    s += i + 1;
    len -= i + 1;
  }
  return true;
}

// The single forward pass. With store false only strings is written; the
// other arrays may be null and are left alone. Without block the file is
// known to end inside the string block, which is then not read.
int db_pass(buffer* b, tuvo_db_t* db, bool store, bool block) {
  uint64_t const n = uint64_t{db->nlongrun} + db->ncommand;
  uint32_t const ssize = db->strings_size;
  uint32_t const nedges = db->nedges;

  char fixed[TUVO_DB_HEADER_LEN];
  if (get_exact(b, fixed, TUVO_DB_HEADER_LEN) < 0) return -1;
  if (memcmp(fixed, TUVO_DB_HEADER, TUVO_DB_HEADER_LEN) != 0) return 0;

  if (!block) {
    errno = EPIPE;
    return -1;
  }
  if (get_exact(b, db->strings, ssize) < 0) return -1;

  uint32_t u;
  for (uint64_t i = 0; i < 2 * uint64_t{nedges}; ++i) {
    if (!tuvo_db_read_uint32(b, &u)) return -1;
    if (store) db->dep_list[i] = u;
    if (u >= n) return 0;
  }
  for (uint32_t i = 0; i < db->nlongrun_refs; ++i) {
    if (!tuvo_db_read_uint32(b, &u)) return -1;
    if (store) db->longrun_refs[i] = u;
    if (u >= db->nlongrun) return 0;
  }

  uint32_t freeslots = db->nvecslots;
  uint32_t next = 0;
  // Strings named by vectors so far: no more than the block has bytes, so
  // that vectors sharing one run of strings cannot make a small file fill
  // slots by the gigabyte.
  uint64_t named = 0;
  tuvo_service_t scratch;
  for (uint64_t i = 0; i < n; ++i) {
    tuvo_service_t* r = store ? &db->services[i] : &scratch;
    if (!tuvo_db_read_uint32(b, &r->name)) return -1;
    if (r->name >= ssize || byte_chr(db->strings + r->name, ssize - r->name, 0) == ssize - r->name)
      return 0;
    uint32_t* const head[] = {&r->attr,         &r->param[0],     &r->param[1],
                              &r->dep_count[0], &r->dep_count[1], &r->dep_start[0]};
    for (uint32_t* p : head)
      if (!tuvo_db_read_uint32(b, p)) return -1;
    if (uint64_t{r->dep_start[0]} + r->dep_count[0] > nedges) return 0;
    if (!tuvo_db_read_uint32(b, &r->dep_start[1])) return -1;
    if (uint64_t{r->dep_start[1]} + r->dep_count[1] > nedges) return 0;

    if (i < db->nlongrun) {
      for (uint32_t& l : r->link)
        if (!tuvo_db_read_uint32(b, &l)) return -1;
    } else {
      for (int k = 0; k < 2; ++k) {
        uint32_t c, o;
        if (!tuvo_db_read_uint32(b, &c)) return -1;
        if (c > freeslots) return 0;
        named += c;
        if (named > ssize) return 0;
        if (!tuvo_db_read_uint32(b, &o)) return -1;
        if (c) {
          if (o >= ssize) return 0;
          if (store ? !env_make(db->vecslots + next, c, db->strings + o, ssize - o)
                    : !strings_fit(db->strings + o, ssize - o, c))
            return 0;
        }
        r->command.vec_count[k] = c;
        r->command.vec_start[k] = next;
        if (c == freeslots) return 0;  // no room for the terminator
        if (store) db->vecslots[next + c] = nullptr;
        freeslots -= c + 1;
        next += c + 1;
      }
    }

    char sep;
    if (get_exact(b, &sep, 1) < 0) return -1;
    if (static_cast<unsigned char>(sep) != TUVO_DB_SEPARATOR) return 0;
  }
  if (freeslots) return 0;

  if (get_exact(b, fixed, TUVO_DB_TRAILER_LEN) < 0) return -1;
  return memcmp(fixed, TUVO_DB_TRAILER, TUVO_DB_TRAILER_LEN) ? 0 : 1;
}

int db_read_fd(int fd, tuvo_db_t* db, bool store, bool block = true) {
  char storage[8192];
  buffer b = BUFFER_INIT(fd_readv, fd, storage, sizeof storage);
  int const r = db_pass(&b, db, store, block);
  fd_close(fd);
  return r;
}

bool counts_fit(tuvo_db_t const* db) {
  return uint64_t{db->nlongrun} + db->ncommand <= UINT32_MAX;
}

void* alloc_checked(uint64_t count, size_t size) {
  // count < 2^33 and size is small: the product cannot wrap 64 bits.
  uint64_t const bytes = count * size;
  return bytes > SIZE_MAX ? nullptr : alloc(static_cast<size_t>(bytes));
}

}  // namespace

int tuvo_db_read_uint32(buffer* b, uint32_t* out) {
  char s[4];
  size_t w = 0;
  if (buffer_getall(b, s, sizeof s, &w) != 1) return 0;
  uint32_unpack_big(s, out);
  return 1;
}

int tuvo_db_read_sizes(int dirfd, tuvo_db_t* db) {
  int const fd = open_readatb(dirfd, "n");
  if (fd < 0) return 0;
  char storage[TUVO_DB_SIZES_LEN + 1];
  buffer b = BUFFER_INIT(fd_readv, fd, storage, sizeof storage);
  uint32_t* const fields[] = {&db->ncommand,  &db->nlongrun, &db->strings_size,
                              &db->nvecslots, &db->nedges,   &db->nlongrun_refs};
  static_assert(sizeof fields / sizeof fields[0] * 4 == TUVO_DB_SIZES_LEN);
  for (uint32_t* f : fields) {
    if (!tuvo_db_read_uint32(&b, f)) {
      fd_close(fd);
      return 0;
    }
  }
  char extra;
  ssize_t const r = buffer_get(&b, &extra, 1);
  fd_close(fd);
  if (r == 0) return 1;
  if (r > 0) errno = EINVAL;
  return 0;
}

int tuvo_db_read(int dirfd, tuvo_db_t* db) {
  if (!counts_fit(db)) return 0;
  int const fd = open_readatb(dirfd, "db");
  if (fd < 0) return -1;
  return db_read_fd(fd, db, true);
}

void tuvo_db_free(tuvo_db_t* db) {
  alloc_free(db->services);
  alloc_free(db->strings);
  alloc_free(db->vecslots);
  alloc_free(db->dep_list);
  alloc_free(db->longrun_refs);
  db->services = nullptr;
  db->strings = nullptr;
  db->vecslots = nullptr;
  db->dep_list = nullptr;
  db->longrun_refs = nullptr;
}

int tuvo_db_load(int dirfd, tuvo_db_t* db) {
  db->services = nullptr;
  db->strings = nullptr;
  db->vecslots = nullptr;
  db->dep_list = nullptr;
  db->longrun_refs = nullptr;
  if (!counts_fit(db)) return 0;
  int const fd = open_readatb(dirfd, "db");
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) < 0) {
    fd_close(fd);
    return -1;
  }

  // Size of a valid file with these counts; none of the terms can wrap.
  uint64_t const ssize = db->strings_size;
  uint64_t const need = TUVO_DB_HEADER_LEN + ssize + 8 * uint64_t{db->nedges} +
                        4 * uint64_t{db->nlongrun_refs} +
                        TUVO_DB_LONGRUN_RECORD * uint64_t{db->nlongrun} +
                        TUVO_DB_COMMAND_RECORD * uint64_t{db->ncommand} + TUVO_DB_TRAILER_LEN;
  // The vectors name at most strings_size strings in all, and each has its
  // terminator: more slots than this cannot be valid.
  uint64_t const maxslots = db->ncommand ? ssize + 2 * uint64_t{db->ncommand} : 0;
  bool const regular = S_ISREG(st.st_mode);
  bool const short_file = regular && static_cast<uint64_t>(st.st_size) < need;

  if (short_file || db->nvecslots > maxslots) {
    // Cannot be valid: find the result of the pass without its storage. The
    // string block is still needed, and is bounded by the file's size.
    bool const block = !regular || ssize + TUVO_DB_HEADER_LEN <= static_cast<uint64_t>(st.st_size);
    if (block) {
      db->strings = static_cast<char*>(alloc_checked(ssize, 1));
      if (!db->strings) {
        fd_close(fd);
        errno = ENOMEM;
        return -1;
      }
    }
    int r = db_read_fd(fd, db, false, block);
    tuvo_db_free(db);
    if (r == 1) {
      // Only a file that grew after it was measured gets here.
      errno = EAGAIN;
      r = -1;
    }
    return r;
  }

  db->services = static_cast<tuvo_service_t*>(
      alloc_checked(uint64_t{db->nlongrun} + db->ncommand, sizeof(tuvo_service_t)));
  db->strings = static_cast<char*>(alloc_checked(ssize, 1));
  db->vecslots = static_cast<char const**>(alloc_checked(db->nvecslots, sizeof(char*)));
  db->dep_list = static_cast<uint32_t*>(alloc_checked(2 * uint64_t{db->nedges}, 4));
  db->longrun_refs = static_cast<uint32_t*>(alloc_checked(db->nlongrun_refs, 4));
  if (!db->services || !db->strings || !db->vecslots || !db->dep_list || !db->longrun_refs) {
    tuvo_db_free(db);
    fd_close(fd);
    errno = ENOMEM;
    return -1;
  }
  int const r = db_read_fd(fd, db, true);
  if (r != 1) tuvo_db_free(db);
  return r;
}
