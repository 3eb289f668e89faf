#include "data/tai.h"

#include "lib/uint_pack.h"

void tai_unpack(char const* s, uint64_t* label) {
  uint64_unpack_big(s, label);
}

void tain_unpack(char const* s, tain* t) {
  tai_unpack(s, &t->sec);
  uint32_unpack_big(s + TAI_PACK, &t->nano);
}
