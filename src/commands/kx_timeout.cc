#include <iterator>

#include "commands/kx.h"
#include "lib/exitcode.h"
#include "lib/fmtscan.h"
#include "lib/strerr.h"

uint32_t kx_timeout(char const* text, kx_timeout_form form) {
  // Each group has always worded it its own way.
  static constexpr char const* const message[] = {
      "timeout must be an integer (milliseconds)",
      "timeout must be an unsigned integer (in milliseconds)",
      "--timeout= argument must be an unsigned integer (in milliseconds)",
  };
  static_assert(std::size(message) == KX_TIMEOUT_FORMS);
  uint32_t timeout = 0;
  if (text && !uint320_scan_base(text, &timeout, 10)) strerr_die(EXIT_USAGE, {message[form]});
  return timeout;
}
