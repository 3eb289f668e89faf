#include <unistd.h>

#include "commands/kx.h"
#include "lib/buffer.h"
#include "lib/exitcode.h"
#include "lib/strerr.h"

void kx_print_and_exit(char const* text) {
  if (buffer_putsflush(buffer_1, text) < 0) strerr_die_write_stdout();
  _exit(EXIT_OK);
}
