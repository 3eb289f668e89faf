// Heap blocks. alloc(0) gives a usable one-byte block; null means failure.
#pragma once

#include <cstddef>

void* alloc(size_t n);
void alloc_free(void* p);
// Resizes *p to n bytes (n 0: a fresh one-byte block, the old one freed).
// 1, or 0 leaving *p and its block as they were.
int alloc_realloc(char** p, size_t n);
