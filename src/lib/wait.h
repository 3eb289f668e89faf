#pragma once

#include <sys/types.h>

// waitpid, again while it fails with EINTR; errno restored on a result >= 0.
pid_t waitpid_nointr(pid_t pid, int* wstat, int options);

// Exit code for a child's wait status: c below 128 stays, 128 and more give
// 128, death by signal n gives 128 + n.
int wait_estatus(int wstat);
