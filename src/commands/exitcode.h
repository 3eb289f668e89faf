// Exit codes of the front end's own making, beside the library's
// (lib/exitcode.h): the two sets do not overlap.
#pragma once

#include "lib/exitcode.h"

inline constexpr int EXIT_STATUS_FAILED = 1;       // process status: reading a service failed
inline constexpr int EXIT_BAD_DATABASE = 4;        // invalid compiled service database
inline constexpr int EXIT_HANDLER_RETURNED = 101;  // a command handler returned
