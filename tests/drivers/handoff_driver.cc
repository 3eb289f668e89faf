// Runs the front end's hand-off directly, so tests can see what a tool
// receives: "exec TOOL ARGS..." replaces the driver with the tool;
// "spawn TOOL ARGS..." starts it, waits, and prints its wait status.
#include <sys/wait.h>

#include <cstdio>
#include <cstring>

#include "commands/handoff.h"
#include "lib/strerr.h"
#include "lib/wait.h"

int main(int argc, char** argv) {
  PROG = "orvctl";
  if (argc < 3) return 100;
  char const* const* tool = argv + 2;
  if (!strcmp(argv[1], "exec")) main_exec(tool);
  if (!strcmp(argv[1], "spawn")) {
    int wstat = 0;
    pid_t pid = main_spawn(tool);
    if (waitpid_nointr(pid, &wstat, 0) != pid) return 111;
    printf("exit %d\n", wait_estatus(wstat));
    return 0;
  }
  return 100;
}
