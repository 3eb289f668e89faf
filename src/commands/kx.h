// Small helpers the commands share: operands, timeouts, printing a text,
// and the head of a tool's argument vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

// The count of the operands in argv; dies with 100 and "usage: " usage
// when there are none.
size_t kx_operands(char const* const* argv, char const* usage);

// The value of a --timeout option in milliseconds, 0 when text is null.
// Dies with 100 and the group's wording when text is not a decimal number
// that fits 32 bits.
enum kx_timeout_form : unsigned {
  KX_TIMEOUT_LIVE,
  KX_TIMEOUT_SYSTEM,
  KX_TIMEOUT_PROCESS,
  KX_TIMEOUT_FORMS
};
uint32_t kx_timeout(char const* text, kx_timeout_form form);

// Writes text to standard output and flushes; dies with 111 and
// "unable to write to stdout" when that fails; exits 0 otherwise.
[[noreturn]] void kx_print_and_exit(char const* text);

// Whether a tool's vector gets "-v" and the verbosity: when verbosity is
// not 1 or always is set; vfmt, UINT64_FMT bytes, then holds the number.
bool kx_verbosity_fmt(char* vfmt, bool always);

// Starts a tool's vector (the chain an argv_fixed or argv_heap starts): its name,
// then "-v" and the verbosity as kx_verbosity_fmt decides. vfmt holds the
// number as long as the vector is used.
template <class V>
decltype(auto) kx_tool_head(V&& v, char const* tool, char* vfmt, bool always = false) {
  bool const show = kx_verbosity_fmt(vfmt, always);
  return std::forward<V>(v).add(tool).add_if(show, "-v", vfmt);
}

// Dies with 111 and "unable to build argument vector" and errno as it is
// (ENOMEM from refused storage, E2BIG from a run-time part past its room).
[[noreturn]] void kx_die_argv();
// The vector an argv chain's end() gave, or that diagnostic when it is null.
inline char const* const* kx_argv(char const* const* v) {
  if (!v) kx_die_argv();
  return v;
}
