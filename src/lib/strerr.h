// Diagnostics on standard error: PROG, a kind (": fatal: ", ": usage: ",
// ": warning: "), then the pieces, then a newline. An info line (": info: ")
// goes to the buffer the caller names, usually standard output. Null pieces are skipped.
// The sys variants append ": " and strerror(errno). None of these fails or
// changes errno; the die variants _exit without flushing other streams.
#pragma once

#include <initializer_list>

struct buffer;

extern char const* PROG;

void strerr_warnv(char const* const* pieces, unsigned n);
void strerr_warnvsys(char const* const* pieces, unsigned n);
[[noreturn]] void strerr_diev(int code, char const* const* pieces, unsigned n);
[[noreturn]] void strerr_dievsys(int code, char const* const* pieces, unsigned n);

// The same over a whole array of pieces, its count from the compiler.
template <unsigned N>
void strerr_warnv(char const* const (&pieces)[N]) {
  strerr_warnv(pieces, N);
}
template <unsigned N>
void strerr_warnvsys(char const* const (&pieces)[N]) {
  strerr_warnvsys(pieces, N);
}
template <unsigned N>
[[noreturn]] void strerr_diev(int code, char const* const (&pieces)[N]) {
  strerr_diev(code, pieces, N);
}
template <unsigned N>
[[noreturn]] void strerr_dievsys(int code, char const* const (&pieces)[N]) {
  strerr_dievsys(code, pieces, N);
}

// Convenience forms that put PROG and the kind in front of the pieces.
void strerr_warn(std::initializer_list<char const*> pieces);
void strerr_warnsys(std::initializer_list<char const*> pieces);
[[noreturn]] void strerr_die(int code, std::initializer_list<char const*> pieces);
[[noreturn]] void strerr_diesys(int code, std::initializer_list<char const*> pieces);
[[noreturn]] void strerr_dieusage(int code, std::initializer_list<char const*> pieces);

// A fatal line that leaves the exit to the caller.
void strerr_fatal(std::initializer_list<char const*> pieces);
void strerr_fatalsys(std::initializer_list<char const*> pieces);

// PROG, ": info: ", the pieces and a newline into b, not flushed; false when
// the buffer could not take them.
bool strerr_info(buffer* b, std::initializer_list<char const*> pieces);

// Exit 111 with "unable to write to stdout" and errno.
[[noreturn]] void strerr_die_write_stdout();
