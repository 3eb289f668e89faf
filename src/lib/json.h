// A JSON writer onto a buffered stream: compact text (RFC 8259), commas and
// colons placed by the writer, one top-level value. Calls that would make
// the text invalid are refused; nothing is written for them.
#pragma once

#include <cstddef>
#include <cstdint>

struct buffer;

// Containers nest at most this deep.
inline constexpr unsigned JSON_MAXDEPTH = 64;

struct json {
  buffer* b;
  uint64_t objects;   // bit d: the container at depth d is an object
  uint64_t nonempty;  // bit d: the container at depth d holds a member already
  unsigned depth;     // containers open
  bool keyed;         // an object key is written and its value is due
  bool done;          // the top-level value is complete
  int error;          // errno of the first failed write, then every call fails
};

void json_init(json* j, buffer* b);

// Each call returns 1, or 0 with errno: EINVAL when the call does not fit
// where the text stands (a value where a key is due, a key outside an
// object, a close that matches no open, nesting past JSON_MAXDEPTH, a second
// top-level value, a key that is not UTF-8), or the error of a failed write.
// After a failed write every call fails with that error.
int json_array_open(json* j);
int json_array_close(json* j);
int json_object_open(json* j);
int json_object_close(json* j);
// An object's key. REQUIRES nothing of the bytes: EINVAL when they are not
// valid UTF-8.
int json_key(json* j, char const* s, size_t n);
int json_keys(json* j, char const* s);
// Any bytes: valid UTF-8 becomes a string, escaped where JSON needs it;
// anything else becomes an array of its byte values, without loss.
int json_bytes(json* j, char const* s, size_t n);
int json_str(json* j, char const* s);
int json_uint(json* j, uint64_t u);
int json_int(json* j, int64_t i);
int json_bool(json* j, bool v);
int json_null(json* j);
// Ends the text with a newline and flushes the stream: 1 when the top-level
// value is complete and written out; 0 with EINVAL when it is incomplete
// (nothing is added then), or with the write error.
int json_finish(json* j);

// 1 when the n bytes are valid UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool json_utf8_valid(char const* s, size_t n);
