// The block encoding of argument vectors for chain-loading tools.
#pragma once

#include <cstddef>

// Depth-1 block encoding of argv[0..n-1], each element as " " [prefix "/"] elem.
// kx_equote_space gives the storage kx_equote needs; kx_equote fills out[0..n]
// (out[n] is the empty string) and returns n + 1.
size_t kx_equote_space(char const* const* argv, size_t n, char const* prefix);
size_t kx_equote(char const** out, char const* const* argv, size_t n, char const* prefix,
                 char* storage);
