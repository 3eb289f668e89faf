#include "lib/buffer.h"
#include "lib/fd.h"

static char buffer_2_storage[1024];
buffer buffer_2_ = BUFFER_INIT(fd_writev, 2, buffer_2_storage, sizeof buffer_2_storage);
