// The supervisor's status record, <service dir>/supervise/status. Written by
// the supervisor only; read here to find the process to signal.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "data/tai.h"

// Layout of the record, all numbers big-endian.
inline constexpr size_t ORV_SVSTATUS_STAMP1 = 0;   // TAIN_PACK bytes: first stamp
inline constexpr size_t ORV_SVSTATUS_STAMP2 = 12;  // TAIN_PACK bytes: second stamp
inline constexpr size_t ORV_SVSTATUS_PID = 24;     // 8 bytes: process id, 0 for none
inline constexpr size_t ORV_SVSTATUS_WSTAT = 32;   // 2 bytes: wait status
inline constexpr size_t ORV_SVSTATUS_FLAGS = 34;   // 1 byte: bits 0-3 flags, 4-7 ignored
inline constexpr size_t ORV_SVSTATUS_SIZE = 35;
static_assert(TAIN_PACK + TAIN_PACK + 8 + 2 + 1 == ORV_SVSTATUS_SIZE);
static_assert(ORV_SVSTATUS_STAMP2 == ORV_SVSTATUS_STAMP1 + TAIN_PACK &&
              ORV_SVSTATUS_PID == ORV_SVSTATUS_STAMP2 + TAIN_PACK &&
              ORV_SVSTATUS_WSTAT == ORV_SVSTATUS_PID + 8 &&
              ORV_SVSTATUS_FLAGS == ORV_SVSTATUS_WSTAT + 2 &&
              ORV_SVSTATUS_SIZE == ORV_SVSTATUS_FLAGS + 1);

// Flag bit 1: the recorded process is not to be signalled by process kill.
inline constexpr uint8_t ORV_SVSTATUS_FLAG_NOSIGNAL = 0x02;

struct orv_svstatus_t {
  tain stamp1;
  tain stamp2;
  pid_t pid;           // low 32 bits of the stored 64-bit field; may be 0 or negative
  int wstat;           // 16-bit field, zero-extended
  uint8_t flags;       // bit k is bit k of the flag byte, k = 0..3; bits 4-7 always clear
  uint64_t pid_field;  // the stored 64-bit field whole, of which pid is the low half
};

// Whether the record names a process that may be signalled: its pid field
// holds a positive 32-bit pid. 0 means none; anything else is damage.
inline bool orv_svstatus_pid_ok(orv_svstatus_t const& s) {
  return s.pid_field <= 0x7fffffff && s.pid > 0;
}

// Whether the pid field is damaged: neither 0 (no process) nor a positive
// 32-bit pid, that is, any of its high 32 bits set or its low 32 bits
// negative as a signed number. No supervisor writes such a field.
inline bool orv_svstatus_pid_damaged(orv_svstatus_t const& s) {
  return s.pid_field > 0x7fffffff;
}

// REQUIRES: image points to ORV_SVSTATUS_SIZE readable bytes. Fills *status;
// cannot fail.
void orv_svstatus_unpack(char const* image, orv_svstatus_t* status);

// Reads dir + "/supervise/status". 1 with *status filled; 0 with *status
// untouched and errno: the open or read error (ENOENT when missing), EINVAL
// when it is not a regular file (a FIFO is refused, never waited on), EPIPE
// when the file is shorter than ORV_SVSTATUS_SIZE, ENOMEM when the path
// cannot be built. Bytes past the record are never read.
int orv_svstatus_read(char const* dir, orv_svstatus_t* status);
// The same read, leaving the record's ORV_SVSTATUS_SIZE bytes in image
// undecoded; image is untouched on failure.
int orv_svstatus_read_image(char const* dir, char* image);
