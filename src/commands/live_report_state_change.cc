// After a failed change run: which atomic services moved all the same, by
// the compiled database's names, on standard output.
#include <cerrno>
#include <cstdint>

#include "commands/exitcode.h"
#include "commands/live.h"
#include "data/tuvo_db.h"
#include "lib/buffer.h"
#include "lib/fd.h"
#include "lib/openfile.h"
#include "lib/strerr.h"

namespace {

void put(char const* s) {
  if (buffer_puts(buffer_1, s) < 0) strerr_die_write_stdout();
}

void flush() {
  if (!buffer_flush(buffer_1)) strerr_die_write_stdout();
}

[[noreturn]] void die_invalid(char const* compiled) {
  strerr_die(EXIT_BAD_DATABASE, {"invalid service database in ", compiled, "/db"});
}

}  // namespace

void kx_report_state_change(uint32_t n, char const* before, char const* after, char const* compiled,
                            int up) {
  uint32_t i = 0;
  while (i < n && !((before[i] ^ after[i]) & 1)) ++i;
  if (i == n) {
    if (!strerr_info(buffer_1, {"the global state has not changed."})) strerr_die_write_stdout();
    flush();
    return;
  }

  int const dirfd = openc_readb(compiled);
  if (dirfd < 0) strerr_diesys(EXIT_SYSTEM, {"unable to ", "open ", compiled});
  tuvo_db_t db{};
  if (!tuvo_db_read_sizes(dirfd, &db))
    strerr_diesys(EXIT_SYSTEM, {"unable to ", "read db sizes for ", compiled});
  // The snapshots were sized from an earlier read of the same file: a
  // database that now names another count cannot be matched against them.
  if (uint64_t{db.nlongrun} + db.ncommand != n) die_invalid(compiled);
  // Heap storage bounded by what the file can hold, given up before return.
  int const r = tuvo_db_load(dirfd, &db);
  if (r < 0) strerr_diesys(EXIT_SYSTEM, {"unable to ", "read ", compiled, "/db"});
  if (r == 0) die_invalid(compiled);

  if (!strerr_info(buffer_1,
                   {"the following atomic services have been brought ", up ? "up" : "down", ":"}))
    strerr_die_write_stdout();
  for (; i < n; ++i) {
    if (!((before[i] ^ after[i]) & 1)) continue;
    put(db.strings + db.services[i].name);
    put("\n");
  }
  flush();
  tuvo_db_free(&db);
  fd_close(dirfd);
}
