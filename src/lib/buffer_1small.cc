#include "lib/buffer.h"
#include "lib/fd.h"

static char buffer_1small_storage[512];
buffer buffer_1small_ =
    BUFFER_INIT(fd_writev, 1, buffer_1small_storage, sizeof buffer_1small_storage);
