// The generic stand-in: records the call, obeys the control files, exits 0.
#include "tbrecord.h"

int main(int argc, char** argv) {
  tb_record(argc, argv);
  return 0;
}
