// Everything "orv-send" can express goes to it, with the service
// directories in command-line order.

#include "commands/handoff.h"
#include "commands/kx.h"
#include "commands/process.h"
#include "lib/argv.h"
#include "lib/fmtscan.h"
#include "lib/smallbuf.h"

void process_send_svc(char const* opts, char const* const* services, size_t n, uint32_t timeout) {
  size_t space = 0;
  for (size_t i = 0; i < n; i++) space += process_dir_len(services[i]);
  smallbuf<char, 1024> dirs(space);
  if (!dirs) kx_die_argv();
  // "orv-send", opts, "-T" T, "--", the directories, null
  argv_heap<6> v(n);
  if (!v) kx_die_argv();
  char tfmt[UINT64_FMT];
  if (timeout) tfmt[uint64_fmt_generic(tfmt, timeout, 10)] = 0;
  auto a = v.start().add("orv-send", opts).add_if(timeout, "-T", tfmt).add("--");
  char* p = dirs.get();
  for (size_t i = 0; i < n; i++) {
    a.push(p);
    p = process_dir_put(p, services[i]);
  }
  main_exec(kx_argv(a.end()));
}
