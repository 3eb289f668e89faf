// process status: a label on standard output, then "orv-query" prints the
// status of that directory to the same output; one run per directory, and
// the logger's directory too with --with-logs. With --json no tool runs:
// the front end reads each status record and writes one JSON array.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "commands/exitcode.h"
#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/orvctl.h"
#include "commands/process.h"
#include "data/orv_svstatus.h"
#include "lib/buffer.h"
#include "lib/gol.h"
#include "lib/json.h"
#include "lib/path.h"
#include "lib/strerr.h"
#include "lib/wait.h"

namespace {

enum : uint64_t { WITH_LOGS = 0x1, JSON = 0x2 };

constexpr gol_bool rgolb[] = {
    {0, WITH_LOGS, "without-logs", 'L'},
    {WITH_LOGS, 0, "with-logs", 'l'},
    {JSON, 0, "json", 0},
};

// The label comes out before the printer's own output; a failed write is
// not worth stopping for.
void label(char const* dir) {
  buffer_puts(buffer_1, dir);
  buffer_putsflush(buffer_1, ": ");
}

int spawn_and_wait(char const* const* argv) {
  pid_t const pid = main_spawn(argv);
  int wstat;
  if (waitpid_nointr(pid, &wstat, 0) != pid) {
    if (g->verbosity) strerr_warnsys({"unable to ", "wait for ", argv[0]});
    return 1;
  }
  return WIFEXITED(wstat) && WEXITSTATUS(wstat) == 0 ? 0 : 1;
}

int query(char const* dir) {
  label(dir);
  char const* const v[] = {"orv-query", "--", dir, nullptr};
  return spawn_and_wait(v);
}

// The logger of dir: returns show(logdir, 0) when dir + "/log" is a
// directory, and show(logdir, errno) after a warning (unless verbosity is
// 0) when it cannot be examined; 0 when there is none to show.
template <class F>
int with_logger(char const* dir, F show) {
  static constexpr char log[] = "/log";
  size_t const len = strlen(dir);
  // A logger named directly has no logger of its own to show.
  if (len >= 5 && !memcmp(dir + len - 4, log, 4)) return 0;

  path_join const logdir(dir, log);
  if (!logdir) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build path for ", dir, log});
  struct stat st;
  if (stat(logdir.get(), &st) < 0) {
    if (errno == ENOENT) return 0;
    int const e = errno;
    if (g->verbosity) strerr_warnsys({"unable to ", "stat ", logdir.get()});
    return show(logdir.get(), e);
  }
  return S_ISDIR(st.st_mode) ? show(logdir.get(), 0) : 0;
}

int do_status(char const* dir, unsigned withlogs) {
  int r = query(dir);
  if (!withlogs) return r;
  return r | with_logger(dir, [](char const* logdir, int err) { return err ? 1 : query(logdir); });
}

// Why the reader refused a record: its own words where the system's text
// for the code it chose would mislead.
char const* record_error(int e) {
  if (e == EPIPE) return "short status record";
  if (e == EINVAL) return "status record is not a regular file";
  return strerror(e);
}

// One directory's record as an object. Returns 1 when it counts as failed:
// err (an errno) given, the record unreadable, or its pid field damaged.
int json_record(json* j, char const* service, char const* dir, bool logger, int err) {
  static char const hex[] = "0123456789abcdef";
  char image[ORV_SVSTATUS_SIZE];
  char const* what = err ? strerror(err) : nullptr;
  if (!err && !orv_svstatus_read_image(dir, image)) {
    err = errno;
    what = record_error(err);
  }
  json_object_open(j);
  json_keys(j, "service");
  json_str(j, service);
  json_keys(j, "dir");
  json_str(j, dir);
  json_keys(j, "logger");
  json_bool(j, logger);
  if (err) {
    json_keys(j, "up");
    json_bool(j, false);
    json_keys(j, "error");
    json_str(j, what);
    json_object_close(j);
    return 1;
  }
  orv_svstatus_t st;
  orv_svstatus_unpack(image, &st);
  bool const pidok = !orv_svstatus_pid_damaged(st);
  json_keys(j, "up");
  json_bool(j, pidok && st.pid > 0);
  json_keys(j, "pid");
  if (pidok)
    json_uint(j, static_cast<uint32_t>(st.pid));
  else
    json_null(j);
  // The stamps as they are stored: "@" and the hex digits of their bytes.
  for (size_t off : {ORV_SVSTATUS_STAMP1, ORV_SVSTATUS_STAMP2}) {
    char ext[1 + 2 * TAIN_PACK];
    ext[0] = '@';
    for (size_t k = 0; k < TAIN_PACK; k++) {
      unsigned char const c = static_cast<unsigned char>(image[off + k]);
      ext[1 + 2 * k] = hex[c >> 4];
      ext[2 + 2 * k] = hex[c & 15];
    }
    json_keys(j, off == ORV_SVSTATUS_STAMP1 ? "stamp1" : "stamp2");
    json_bytes(j, ext, sizeof ext);
  }
  json_keys(j, "wstat");
  json_uint(j, static_cast<unsigned>(st.wstat));
  json_keys(j, "flags");
  json_uint(j, st.flags);
  if (!pidok) {
    json_keys(j, "error");
    json_str(j, "damaged pid field in status file");
  }
  json_object_close(j);
  return !pidok;
}

int json_status(json* j, char const* service, char const* dir, unsigned withlogs) {
  int r = json_record(j, service, dir, false, 0);
  if (!withlogs) return r;
  return r | with_logger(dir, [&](char const* logdir, int err) {
           return json_record(j, service, logdir, true, err);
         });
}

}  // namespace

void process_status(char const* const* argv) {
  uint64_t flags = 0;
  argv += gol_argv<rgolb>(argv, &flags);
  size_t const n = kx_operands(argv, "orv process status [ -L | -l ] services...");
  process_check_services(argv, n);

  bool const asjson = flags & JSON;
  json j;
  json_init(&j, buffer_1);
  if (asjson) json_array_open(&j);
  int failed = 0;
  for (size_t i = 0; i < n; i++) {
    process_dir const dir(argv[i]);
    if (!dir) strerr_diesys(EXIT_SYSTEM, {"unable to ", "build path for ", argv[i]});
    failed |= asjson ? json_status(&j, argv[i], dir.get(), flags & WITH_LOGS)
                     : do_status(dir.get(), flags & WITH_LOGS);
  }
  if (asjson) {
    json_array_close(&j);
    if (!json_finish(&j)) strerr_die_write_stdout();
  }
  _exit(failed ? EXIT_STATUS_FAILED : EXIT_OK);
}
