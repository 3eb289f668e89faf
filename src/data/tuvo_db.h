// Reader of the service manager's compiled database: the sizes file "n" and
// the database file "db" of a compiled directory. Every number in both files
// is an unsigned 32-bit integer, big-endian.
//
// Calling order: open the directory, tuvo_db_read_sizes, provide storage
// (tuvo_db_load does it on the heap), tuvo_db_read, close the directory.
#pragma once

#include <cstddef>
#include <cstdint>

struct buffer;

// Sizes file "n": six numbers, in this order, and nothing after them.
//   ncommand, nlongrun, strings_size, nvecslots, nedges, nlongrun_refs
inline constexpr size_t TUVO_DB_SIZES_LEN = 24;

// Database file "db", with S = strings_size, E = nedges, R = nlongrun_refs:
//   header "tuvo-db: start\n"        15 bytes, no NUL
//   string block                     S bytes of NUL-terminated strings
//   dependency list                  2E numbers, each a service index
//   longrun reference list           R numbers, each a longrun index
//   service records                  longruns first, then command services
//   trailer "\ntuvo-db: end\n"       14 bytes; anything after it is not read
inline constexpr char TUVO_DB_HEADER[] = "tuvo-db: start\n";
inline constexpr char TUVO_DB_TRAILER[] = "\ntuvo-db: end\n";
inline constexpr size_t TUVO_DB_HEADER_LEN = sizeof TUVO_DB_HEADER - 1;
inline constexpr size_t TUVO_DB_TRAILER_LEN = sizeof TUVO_DB_TRAILER - 1;
static_assert(TUVO_DB_HEADER_LEN == 15 && TUVO_DB_TRAILER_LEN == 14);

// Service record: eight numbers common to both groups, a tail, a separator.
//   name          offset of the name in the string block
//   attr          as read
//   param[0..1]   as read
//   dep_count[0..1], then dep_start[0..1]: two runs within the dependency list
//   tail          longrun: link[0..2] (as read);
//                 command: count0, offset0, count1, offset1 (two string vectors)
//   separator     one byte, TUVO_DB_SEPARATOR
inline constexpr size_t TUVO_DB_RECORD_HEAD = 8 * size_t{4};
inline constexpr size_t TUVO_DB_LONGRUN_TAIL = 3 * size_t{4};
inline constexpr size_t TUVO_DB_COMMAND_TAIL = 4 * size_t{4};
inline constexpr size_t TUVO_DB_LONGRUN_RECORD = TUVO_DB_RECORD_HEAD + TUVO_DB_LONGRUN_TAIL + 1;
inline constexpr size_t TUVO_DB_COMMAND_RECORD = TUVO_DB_RECORD_HEAD + TUVO_DB_COMMAND_TAIL + 1;
static_assert(TUVO_DB_LONGRUN_RECORD == 45 && TUVO_DB_COMMAND_RECORD == 49);
inline constexpr unsigned char TUVO_DB_SEPARATOR = 0xfe;

// Decoded service record. Which tail is meaningful follows from the index:
// below nlongrun, a longrun.
struct tuvo_service_t {
  uint32_t name;  // offset in tuvo_db_t::strings of a NUL-terminated name
  uint32_t attr;
  uint32_t dep_start[2];  // dep_start[k] + dep_count[k] <= nedges
  uint32_t dep_count[2];
  uint32_t param[2];
  union {
    uint32_t link[3];  // longrun
    struct {
      uint32_t vec_count[2];  // strings of each vector, terminator not counted
      uint32_t vec_start[2];  // index in vecslots of each vector's first pointer
    } command;
  };
};

// Decoded database. The counts come from the sizes file; the five pointers
// are storage the caller owns, of exactly these sizes:
//   services      nlongrun + ncommand records
//   strings       strings_size bytes
//   vecslots      nvecslots pointers (into strings; each vector null-terminated)
//   dep_list      2 * nedges numbers
//   longrun_refs  nlongrun_refs numbers
struct tuvo_db_t {
  tuvo_service_t* services;
  uint32_t ncommand;
  uint32_t nlongrun;
  uint32_t strings_size;
  uint32_t nvecslots;
  uint32_t nedges;
  uint32_t nlongrun_refs;
  char* strings;
  char const** vecslots;
  uint32_t* dep_list;
  uint32_t* longrun_refs;
};

// Reads 4 bytes from the input stream b with buffer_getall. 1 with their
// big-endian value in *out; 0 on a read failure or end of file (errno EPIPE
// for end of file), *out untouched.
int tuvo_db_read_uint32(buffer* b, uint32_t* out);

// Reads "n" relative to the directory descriptor dirfd into the six count
// fields of *db. 1 on success; 0 on failure: errno from the failing open or
// read, EPIPE for a file shorter than TUVO_DB_SIZES_LEN, EINVAL for a longer
// one. The count fields may be partly written on failure; the storage
// pointers are never touched.
int tuvo_db_read_sizes(int dirfd, tuvo_db_t* db);

// Reads "db" relative to dirfd into the storage of *db.
// REQUIRES: the counts come from tuvo_db_read_sizes on the same directory
// and the five pointers address storage of the sizes listed at tuvo_db_t.
// 1: the database is valid and the storage holds it.
// 0: the contents break a rule (including counts whose nlongrun + ncommand
//    does not fit in 32 bits, and vectors that name more strings in all
//    than the string block has bytes); errno is not meaningful.
// -1: "db" cannot be opened or read, or ends early (errno EPIPE).
// After a result other than 1 the storage holds whatever was read so far.
// The file is closed on every path; dirfd stays the caller's.
int tuvo_db_read(int dirfd, tuvo_db_t* db);

// tuvo_db_read into heap storage that this call takes and stores in the five
// pointers of *db. Before taking anything it measures "db": when the file is
// too short for the counts, or they claim more vector slots than a valid
// database with that string block could fill, the file is checked in the
// same single pass without that storage, so claims of billions of services
// or slots next to a small file cost nothing and give the result
// tuvo_db_read would give for that file.
// REQUIRES: the counts come from tuvo_db_read_sizes; the pointers are unset.
// Results as tuvo_db_read, plus -1 with ENOMEM when the heap refuses. On 1
// the storage stays until tuvo_db_free; on any other result it is already
// freed and the five pointers are null.
int tuvo_db_load(int dirfd, tuvo_db_t* db);

// Frees what tuvo_db_load took and nulls the five pointers. Safe to repeat.
void tuvo_db_free(tuvo_db_t* db);
