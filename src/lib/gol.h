// Table-driven option parser. Options come before the other arguments and
// argv is never reordered; values are pointers into argv, never copies.
#pragma once

#include <cstdint>

struct gol_bool {
  uint64_t set_bits;    // ORed into the flag word
  uint64_t clear_bits;  // cleared from the flag word before set_bits is ORed
  char const* name;     // long name without "--", never null
  char letter;          // short letter, or '\0' for none
};

struct gol_arg {
  char const* name;  // long name without "--"
  uint32_t slot;     // index into the caller's result array
  char letter;       // short letter, or '\0' for none
};

// Parses the null-terminated argv, whose element 0 is already an argument.
// Returns the index of the first non-option argument (the count of argv when
// all are options), or on failure the bitwise complement of the offending
// argument's index with *error_detail set:
//   >= 1  position of an unknown letter in a short cluster
//   -1    unknown boolean long option
//    0    empty long name ("--=...")
//  <= -3  minus the position of "=" in an unknown long option with value
// Everything applied before a failure stays applied. Never prints.
int gol(char const* const* argv, gol_bool const* bools, unsigned nbools, gol_arg const* args,
        unsigned nargs, uint64_t* flagword, char const** results, int* error_detail);

// As gol, but dies with exit 100 and the option diagnostic on failure.
unsigned gol_argv(char const* const* argv, gol_bool const* bools, unsigned nbools,
                  gol_arg const* args, unsigned nargs, uint64_t* flagword, char const** results);

// For a program's own argc/argv: skips argv[0]; returns the index in argv of
// the first non-option (at least 1). Dies with exit 103 when argc < 1 or
// argv[argc] is not null, and as gol_argv on option errors.
unsigned gol_main(int argc, char const* const* argv, gol_bool const* bools, unsigned nbools,
                  gol_arg const* args, unsigned nargs, uint64_t* flagword, char const** results);

// Comparison routines for bsearch over tables whose rows start with a name
// pointer: key is the string sought, row points to the row.
int stringkey_bcmp(void const* key, void const* row);
int stringkey_bcasecmp(void const* key, void const* row);
