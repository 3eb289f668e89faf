// Table-driven option parser. Options come before the other arguments and
// argv is never reordered; values are pointers into argv, never copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

// Table-sized forms: the tables are template arguments, so their sizes
// come from the compiler, and so does the check that every slot of args
// indexes the results array:
//   gol_argv<rgolb, rgola>(argv, &flags, values);
//   gol_argv<rgolb>(argv, &flags);   // no options with a value
//   gol_argv(argv);                  // no options at all ("--" still ends them)
inline constexpr std::span<gol_bool const> gol_no_bools{};
inline constexpr std::span<gol_arg const> gol_no_args{};

// Whether every slot of args is below nresults.
constexpr bool gol_slots_fit(std::span<gol_arg const> args, size_t nresults) {
  for (gol_arg const& a : args)
    if (a.slot >= nresults) return false;
  return true;
}

template <auto const& B = gol_no_bools, auto const& A = gol_no_args, size_t NR>
unsigned gol_argv(char const* const* argv, uint64_t* flagword, char const* (&results)[NR]) {
  constexpr std::span<gol_bool const> bools(B);
  constexpr std::span<gol_arg const> args(A);
  static_assert(gol_slots_fit(args, NR), "an option's slot is past the results array");
  return gol_argv(argv, bools.data(), bools.size(), args.data(), args.size(), flagword, results);
}

template <auto const& B = gol_no_bools>
unsigned gol_argv(char const* const* argv, uint64_t* flagword = nullptr) {
  constexpr std::span<gol_bool const> bools(B);
  return gol_argv(argv, bools.data(), bools.size(), nullptr, 0, flagword, nullptr);
}

template <auto const& B = gol_no_bools, auto const& A = gol_no_args, size_t NR>
unsigned gol_main(int argc, char const* const* argv, uint64_t* flagword,
                  char const* (&results)[NR]) {
  constexpr std::span<gol_bool const> bools(B);
  constexpr std::span<gol_arg const> args(A);
  static_assert(gol_slots_fit(args, NR), "an option's slot is past the results array");
  return gol_main(argc, argv, bools.data(), bools.size(), args.data(), args.size(), flagword,
                  results);
}

// Comparison routines for bsearch over tables whose rows start with a name
// pointer: key is the string sought, row points to the row.
int stringkey_bcmp(void const* key, void const* row);
int stringkey_bcasecmp(void const* key, void const* row);
