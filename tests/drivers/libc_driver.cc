// What the C library of the programs under test says, for tests that hold
// the programs' words and numbers against it (a musl build's programs do not
// share the tests' C library): "strerror N" prints the text of error N;
// "signals" prints the signal table as the programs have it, "NAME NUMBER"
// a line.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/sig.h"

int main(int argc, char** argv) {
  if (argc == 3 && !strcmp(argv[1], "strerror")) {
    printf("%s\n", strerror(atoi(argv[2])));
  } else if (argc == 2 && !strcmp(argv[1], "signals")) {
    for (size_t k = 0; k < sig_table_len; k++)
      printf("%s %d\n", sig_table[k].name, sig_table[k].number);
  } else {
    return 100;
  }
  return fflush(stdout) ? 111 : 0;
}
