#include "lib/json.h"

#include <cerrno>
#include <cstring>

#include "lib/buffer.h"
#include "lib/fmtscan.h"

namespace {

uint64_t bit(unsigned depth) {
  return uint64_t{1} << (depth - 1);
}

int fail(int e) {
  errno = e;
  return 0;
}

int put(json* j, char const* s, size_t n) {
  if (buffer_put(j->b, s, n) < 0) {
    j->error = errno ? errno : EIO;
    return 0;
  }
  return 1;
}

// 1 when a value may come now; changes nothing.
int value_allowed(json const* j) {
  if (j->error) return fail(j->error);
  if (!j->depth) return j->done ? fail(EINVAL) : 1;
  if (j->objects & bit(j->depth)) return j->keyed ? 1 : fail(EINVAL);
  return 1;
}

// Places the comma a value in an array needs and marks its place taken.
// REQUIRES value_allowed.
int begin_value(json* j) {
  if (!j->depth) return 1;
  uint64_t const b = bit(j->depth);
  if (j->objects & b) {
    j->keyed = false;
    return 1;
  }
  bool const comma = j->nonempty & b;
  j->nonempty |= b;
  return comma ? put(j, ",", 1) : 1;
}

void end_value(json* j) {
  if (!j->depth) j->done = true;
}

// A whole value that is written in one piece.
int scalar(json* j, char const* s, size_t n) {
  if (!value_allowed(j) || !begin_value(j) || !put(j, s, n)) return 0;
  end_value(j);
  return 1;
}

int open_container(json* j, bool object) {
  if (!value_allowed(j)) return 0;
  if (j->depth == JSON_MAXDEPTH) return fail(EINVAL);
  if (!begin_value(j)) return 0;
  j->depth++;
  uint64_t const b = bit(j->depth);
  j->nonempty &= ~b;
  if (object)
    j->objects |= b;
  else
    j->objects &= ~b;
  return put(j, object ? "{" : "[", 1);
}

int close_container(json* j, bool object) {
  if (j->error) return fail(j->error);
  if (!j->depth || j->keyed || !(j->objects & bit(j->depth)) != !object) return fail(EINVAL);
  j->depth--;
  end_value(j);
  return put(j, object ? "}" : "]", 1);
}

// The string's bytes between quotes, with what JSON must escape escaped.
// REQUIRES valid UTF-8.
int put_string(json* j, char const* s, size_t n) {
  static char const hex[] = "0123456789abcdef";
  if (!put(j, "\"", 1)) return 0;
  size_t start = 0;
  for (size_t i = 0; i < n; i++) {
    unsigned char const c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    if (!put(j, s + start, i - start)) return 0;
    start = i + 1;
    char esc[6] = {'\\', 0, '0', '0', hex[c >> 4], hex[c & 15]};
    size_t len = 2;
    switch (c) {
      case '"':
      case '\\':
        esc[1] = static_cast<char>(c);
        break;
      case '\b':
        esc[1] = 'b';
        break;
      case '\f':
        esc[1] = 'f';
        break;
      case '\n':
        esc[1] = 'n';
        break;
      case '\r':
        esc[1] = 'r';
        break;
      case '\t':
        esc[1] = 't';
        break;
      default:
        esc[1] = 'u';
        len = 6;
    }
    if (!put(j, esc, len)) return 0;
  }
  return put(j, s + start, n - start) && put(j, "\"", 1);
}

// The bytes as an array of their values: [104,105].
int put_byte_array(json* j, char const* s, size_t n) {
  if (!put(j, "[", 1)) return 0;
  for (size_t i = 0; i < n; i++) {
    char num[4];
    size_t len = 0;
    if (i) num[len++] = ',';
    len += uint64_fmt_generic(num + len, static_cast<unsigned char>(s[i]), 10);
    if (!put(j, num, len)) return 0;
  }
  return put(j, "]", 1);
}

}  // namespace

bool json_utf8_valid(char const* s, size_t n) {
  auto const* p = reinterpret_cast<unsigned char const*>(s);
  size_t i = 0;
  while (i < n) {
    unsigned char const c = p[i];
    if (c < 0x80) {
      i++;
      continue;
    }
    size_t len;
    unsigned char lo = 0x80, hi = 0xbf;  // range of the second byte
    if (c >= 0xc2 && c <= 0xdf) {
      len = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
      len = 3;
      if (c == 0xe0) lo = 0xa0;  // overlong
      if (c == 0xed) hi = 0x9f;  // surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
      len = 4;
      if (c == 0xf0) lo = 0x90;  // overlong
      if (c == 0xf4) hi = 0x8f;  // past U+10FFFF
    } else {
      return false;
    }
    if (n - i < len || p[i + 1] < lo || p[i + 1] > hi) return false;
    for (size_t k = 2; k < len; k++)
      if (p[i + k] < 0x80 || p[i + k] > 0xbf) return false;
    i += len;
  }
  return true;
}

void json_init(json* j, buffer* b) {
  *j = json{b, 0, 0, 0, false, false, 0};
}

int json_array_open(json* j) {
  return open_container(j, false);
}

int json_array_close(json* j) {
  return close_container(j, false);
}

int json_object_open(json* j) {
  return open_container(j, true);
}

int json_object_close(json* j) {
  return close_container(j, true);
}

int json_key(json* j, char const* s, size_t n) {
  if (j->error) return fail(j->error);
  if (!j->depth || !(j->objects & bit(j->depth)) || j->keyed || !json_utf8_valid(s, n))
    return fail(EINVAL);
  uint64_t const b = bit(j->depth);
  bool const comma = j->nonempty & b;
  j->nonempty |= b;
  j->keyed = true;
  return (!comma || put(j, ",", 1)) && put_string(j, s, n) && put(j, ":", 1);
}

int json_keys(json* j, char const* s) {
  return json_key(j, s, strlen(s));
}

int json_bytes(json* j, char const* s, size_t n) {
  if (!value_allowed(j) || !begin_value(j)) return 0;
  if (!(json_utf8_valid(s, n) ? put_string(j, s, n) : put_byte_array(j, s, n))) return 0;
  end_value(j);
  return 1;
}

int json_str(json* j, char const* s) {
  return json_bytes(j, s, strlen(s));
}

int json_uint(json* j, uint64_t u) {
  char num[UINT64_FMT];
  return scalar(j, num, uint64_fmt_generic(num, u, 10));
}

int json_int(json* j, int64_t i) {
  char num[UINT64_FMT];
  return scalar(j, num, int64_fmt_generic(num, i, 10));
}

int json_bool(json* j, bool v) {
  return v ? scalar(j, "true", 4) : scalar(j, "false", 5);
}

int json_null(json* j) {
  return scalar(j, "null", 4);
}

int json_finish(json* j) {
  if (j->error) return fail(j->error);
  if (!j->done) return fail(EINVAL);
  if (!put(j, "\n", 1)) return 0;
  if (!buffer_flush(j->b)) {
    j->error = errno ? errno : EIO;
    return 0;
  }
  return 1;
}
