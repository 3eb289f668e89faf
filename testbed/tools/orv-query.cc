// orv-query [--] SERVICEDIR: prints the state in the directory's status record,
// "up (pid P) S seconds" or "down S seconds", S counted from the first stamp.
// No readable 35-byte record: message and exit 1.
#include <errno.h>
#include <string.h>

#include <cstdio>
#include <string>

#include "svstatus_write.h"
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  int i = 1;
  if (i < argc && std::string(argv[i]) == "--") ++i;
  if (argc - i != 1) {
    std::fprintf(stderr, "orv-query: usage: orv-query [ -- ] servicedir\n");
    return 100;
  }
  std::string dir = argv[i];
  tbsv::record r;
  if (tbsv::read(dir, r) < 0) {
    std::fprintf(stderr, "orv-query: fatal: unable to read status for %s: %s\n", dir.c_str(),
                 strerror(errno));
    return 1;
  }
  unsigned long long age = tbsv::age_of(r);
  if (tbsv::pid32(r) != 0)
    std::printf("up (pid %d) %llu seconds\n", static_cast<int>(tbsv::pid32(r)), age);
  else
    std::printf("down %llu seconds\n", age);
  return std::fflush(stdout) == 0 ? 0 : 111;
}
