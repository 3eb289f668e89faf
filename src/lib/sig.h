// Signal names: the 27 names of the table, upper case without "SIG", each
// carrying this platform's number.
#pragma once

#include <cstddef>

struct sig_row {
  char const* name;
  int number;
};

// The table, sorted for case-insensitive binary search.
extern sig_row const sig_table[];
extern size_t const sig_table_len;

// Number of the named signal (case-insensitive, whole string), or 0.
int sig_number(char const* name);
// Scans a signal given by name, number or either with a "SIG" prefix in any
// case. Returns strlen(s) and stores the number in *sig, or 0 leaving *sig.
// Any 32-bit decimal number is taken, 0 and unknown signals included.
size_t sig0_scan(char const* s, int* sig);
