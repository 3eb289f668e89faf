#include "lib/buffer.h"
#include "lib/fd.h"

static char buffer_1_storage[8192];
buffer buffer_1_ = BUFFER_INIT(fd_writev, 1, buffer_1_storage, sizeof buffer_1_storage);
