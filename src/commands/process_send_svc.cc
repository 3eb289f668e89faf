// Everything "orv-send" can express goes to it, with the service
// directories in command-line order.

#include "commands/handoff.h"
#include "commands/process.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/smallbuf.h"

void process_send_svc(char const* opts, char const* const* services, size_t n, uint32_t timeout) {
  size_t space = 0;
  for (size_t i = 0; i < n; i++) space += process_dir_len(services[i]);
  smallbuf<char, 1024> dirs(space);
  if (!dirs) argv_die();
  // "orv-send", opts, "-T" T, "--", the directories, null
  argv_heap<64> v(n + 6);
  if (!v) argv_die();
  char tfmt[UINT64_FMT];
  if (timeout) tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
  v.add("orv-send", opts).add_if(timeout, "-T", tfmt).add("--");
  char* p = dirs.get();
  for (size_t i = 0; i < n; i++) {
    v.add(p);
    p = process_dir_put(p, services[i]);
  }
  main_exec(v.end());
}
