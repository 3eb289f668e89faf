// The service manager's live directory as the front end uses it: its lock,
// the compiled database's lock, and the live state file. Paths are the
// directory as given plus a fixed suffix, never normalised.
#pragma once

#include <cstdint>

#include "lib/path.h"

// The live directory's layout: what follows the directory's own path.
inline constexpr char TUVO_LIVE_LOCK[] = "/lock";  // also the compiled database's lock
inline constexpr char TUVO_LIVE_COMPILED[] = "/compiled";
inline constexpr char TUVO_LIVE_STATE[] = "/state";

// livedir + "/compiled"; null (errno ENOMEM) when the storage cannot be had.
inline path_join tuvo_live_compiled(char const* livedir) {
  return {livedir, TUVO_LIVE_COMPILED};
}

// Lock levels: 0 leaves the lock file alone; 1 takes a shared lock on an
// existing file; 2 or more creates the file if needed (mode 0644 less the
// umask), truncates it and takes an exclusive lock.
inline constexpr int TUVO_LOCK_NONE = 0;
inline constexpr int TUVO_LOCK_SHARED = 1;
inline constexpr int TUVO_LOCK_EXCLUSIVE = 2;

// Locks livedir + "/lock" at live_mode, then compiled_dir + "/lock" at
// compiled_mode, always in that order. With blocking non-zero waits for each
// lock as long as needed (holding the first while waiting for the second);
// with 0 fails at once when another process holds one.
// 1: every requested lock is held; each output whose level is non-zero
//    receives its descriptor (close-on-exec, non-blocking); a lock lasts until
//    that descriptor is closed or the process exits.
// 0: nothing is held and neither output is written; errno EBUSY when a lock
//    is held elsewhere and blocking is 0, otherwise from open or fcntl
//    (ENOENT for a missing compiled lock file), ENOMEM when a path cannot be
//    built.
int tuvo_lock(char const* livedir, int live_mode, int* live_fd_out, char const* compiled_dir,
              int compiled_mode, int* compiled_fd_out, int blocking);

// Number of atomic services of livedir + "/compiled", from its sizes file.
// 1 with both outputs written; their sum is the length of the live state and
// always fits in 32 bits. 0 with neither written and errno from the failing
// step (open, or as tuvo_db_read_sizes leaves it), or EINVAL when the two
// counts add up past 32 bits.
int tuvo_live_state_size(char const* livedir, uint32_t* nlongrun_out, uint32_t* ncommand_out);

// Reads the first n bytes of livedir + "/state" into buf and keeps only each
// byte's up/down bit (bit 0), so every byte ends 0 or 1.
// REQUIRES: buf has room for n bytes.
// 1 on success (bytes past the first n are not read). 0 with errno from the
// open or read, EINVAL when the file is shorter than n, ENOMEM when the path
// cannot be built; buf is then unspecified.
int tuvo_live_state_read(char const* livedir, char* buf, uint32_t n);

// Whether livedir + "/state" can hold a state of n bytes, checked before
// storage is taken for it: 0 with errno EINVAL when it is a regular file
// shorter than that, ENOMEM when the path cannot be built; 1 otherwise,
// also when it cannot be examined (the read then tells why).
int tuvo_live_state_check(char const* livedir, uint32_t n);
