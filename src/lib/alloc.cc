// Heap blocks. A request for 0 bytes still gets a real block, so null always
// means failure.
#include "lib/alloc.h"

#include <cstdlib>

void* alloc(size_t n) {
  return malloc(n ? n : 1);
}

void alloc_free(void* p) {
  free(p);
}

int alloc_realloc(char** p, size_t n) {
  if (!n) {
    // realloc(p, 0) may free and return null; give a fresh byte instead.
    void* q = alloc(0);
    if (!q) return 0;
    free(*p);
    *p = static_cast<char*>(q);
    return 1;
  }
  void* q = realloc(*p, n);
  if (!q) return 0;
  *p = static_cast<char*>(q);
  return 1;
}
