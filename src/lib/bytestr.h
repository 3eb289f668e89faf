// Byte searching and counting.
#pragma once

#include <cstddef>

// Index of the first byte equal to c, or n.
size_t byte_chr(char const* s, size_t n, int c);
// How many of the n bytes equal c.
size_t byte_count(char const* s, size_t n, int c);
// Index of the first c in the string, or its length.
size_t str_chr(char const* s, int c);
