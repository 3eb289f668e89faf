// The JSON writer. The input is a program of writer calls; a model of the
// grammar says which calls must be refused and which value the accepted
// ones build. The text written must pass a strict RFC 8259 parser held
// here, and parse back to exactly the model's value.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "lib/buffer.h"
#include "lib/json.h"

namespace {

struct value {
  enum kind { null, boolean, number, string, array, object } k = null;
  std::string text;  // number: its digits; string: its bytes
  bool b = false;
  std::vector<value> items;       // array items, or object member values
  std::vector<std::string> keys;  // object member keys, beside items

  bool operator==(value const& o) const {
    return k == o.k && text == o.text && b == o.b && items == o.items && keys == o.keys;
  }
};

// A strict parser: no leading zeros, no trailing commas, no raw control
// characters, escapes as listed, surrogates in pairs, UTF-8 checked by its
// own decoder, blanks only where allowed, nothing after the value.
class parser {
 public:
  explicit parser(std::string const& s) : s_(s) {}

  bool parse(value* v) {
    blank();
    if (!parse_value(v, 0)) return false;
    blank();
    return i_ == s_.size();
  }

 private:
  bool at(char c) const { return i_ < s_.size() && s_[i_] == c; }
  void blank() {
    while (at(' ') || at('\t') || at('\n') || at('\r')) i_++;
  }
  bool word(char const* w) {
    size_t const n = strlen(w);
    if (s_.compare(i_, n, w) != 0) return false;
    i_ += n;
    return true;
  }

  bool parse_value(value* v, int depth) {
    if (depth > 200) return false;
    if (at('{')) return parse_object(v, depth);
    if (at('[')) return parse_array(v, depth);
    if (at('"')) {
      v->k = value::string;
      return parse_string(&v->text);
    }
    if (word("true")) {
      v->k = value::boolean;
      v->b = true;
      return true;
    }
    if (word("false")) {
      v->k = value::boolean;
      return true;
    }
    if (word("null")) return true;
    return parse_number(v);
  }

  bool digits() {
    size_t const start = i_;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') i_++;
    return i_ > start;
  }

  bool parse_number(value* v) {
    size_t const start = i_;
    if (at('-')) i_++;
    if (at('0')) {
      i_++;
    } else if (i_ < s_.size() && s_[i_] >= '1' && s_[i_] <= '9') {
      digits();
    } else {
      return false;
    }
    if (at('.')) {
      i_++;
      if (!digits()) return false;
    }
    if (at('e') || at('E')) {
      i_++;
      if (at('+') || at('-')) i_++;
      if (!digits()) return false;
    }
    v->k = value::number;
    v->text = s_.substr(start, i_ - start);
    return true;
  }

  bool hex4(uint32_t* u) {
    if (s_.size() - i_ < 4) return false;
    *u = 0;
    for (int k = 0; k < 4; k++) {
      char const c = s_[i_++];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : -1;
      if (d < 0) return false;
      *u = *u << 4 | static_cast<uint32_t>(d);
    }
    return true;
  }

  static void put_utf8(std::string* out, uint32_t u) {
    if (u < 0x80) {
      *out += static_cast<char>(u);
    } else if (u < 0x800) {
      *out += static_cast<char>(0xc0 | u >> 6);
      *out += static_cast<char>(0x80 | (u & 0x3f));
    } else if (u < 0x10000) {
      *out += static_cast<char>(0xe0 | u >> 12);
      *out += static_cast<char>(0x80 | (u >> 6 & 0x3f));
      *out += static_cast<char>(0x80 | (u & 0x3f));
    } else {
      *out += static_cast<char>(0xf0 | u >> 18);
      *out += static_cast<char>(0x80 | (u >> 12 & 0x3f));
      *out += static_cast<char>(0x80 | (u >> 6 & 0x3f));
      *out += static_cast<char>(0x80 | (u & 0x3f));
    }
  }

  // One raw UTF-8 sequence, decoded to its code point and checked.
  bool raw_char(std::string* out) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s_[i_ + k]); };
    unsigned char const c = byte(0);
    size_t len;
    uint32_t u;
    if (c < 0x80) {
      len = 1;
      u = c;
    } else if ((c & 0xe0) == 0xc0) {
      len = 2;
      u = c & 0x1f;
    } else if ((c & 0xf0) == 0xe0) {
      len = 3;
      u = c & 0x0f;
    } else if ((c & 0xf8) == 0xf0) {
      len = 4;
      u = c & 0x07;
    } else {
      return false;
    }
    if (s_.size() - i_ < len) return false;
    for (size_t k = 1; k < len; k++) {
      if ((byte(k) & 0xc0) != 0x80) return false;
      u = u << 6 | (byte(k) & 0x3f);
    }
    static uint32_t const least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (u < least[len] || u > 0x10ffff || (u >= 0xd800 && u <= 0xdfff)) return false;
    out->append(s_, i_, len);
    i_ += len;
    return true;
  }

  bool parse_string(std::string* out) {
    i_++;  // the quote
    for (;;) {
      if (i_ >= s_.size()) return false;
      unsigned char const c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        i_++;
        return true;
      }
      if (c < 0x20) return false;
      if (c != '\\') {
        if (!raw_char(out)) return false;
        continue;
      }
      i_++;
      if (i_ >= s_.size()) return false;
      char const e = s_[i_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          *out += e;
          break;
        case 'b':
          *out += '\b';
          break;
        case 'f':
          *out += '\f';
          break;
        case 'n':
          *out += '\n';
          break;
        case 'r':
          *out += '\r';
          break;
        case 't':
          *out += '\t';
          break;
        case 'u': {
          uint32_t u;
          if (!hex4(&u)) return false;
          if (u >= 0xdc00 && u <= 0xdfff) return false;
          if (u >= 0xd800 && u <= 0xdbff) {
            uint32_t lo;
            if (!word("\\u") || !hex4(&lo) || lo < 0xdc00 || lo > 0xdfff) return false;
            u = 0x10000 + ((u - 0xd800) << 10) + (lo - 0xdc00);
          }
          put_utf8(out, u);
          break;
        }
        default:
          return false;
      }
    }
  }

  bool parse_array(value* v, int depth) {
    v->k = value::array;
    i_++;
    blank();
    if (at(']')) {
      i_++;
      return true;
    }
    for (;;) {
      blank();
      value item;
      if (!parse_value(&item, depth + 1)) return false;
      v->items.push_back(std::move(item));
      blank();
      if (at(']')) {
        i_++;
        return true;
      }
      if (!at(',')) return false;
      i_++;
    }
  }

  bool parse_object(value* v, int depth) {
    v->k = value::object;
    i_++;
    blank();
    if (at('}')) {
      i_++;
      return true;
    }
    for (;;) {
      blank();
      if (!at('"')) return false;
      std::string key;
      if (!parse_string(&key)) return false;
      blank();
      if (!at(':')) return false;
      i_++;
      blank();
      value member;
      if (!parse_value(&member, depth + 1)) return false;
      v->keys.push_back(std::move(key));
      v->items.push_back(std::move(member));
      blank();
      if (at('}')) {
        i_++;
        return true;
      }
      if (!at(',')) return false;
      i_++;
    }
  }

  std::string const& s_;
  size_t i_ = 0;
};

// What the model expects of a string value: the bytes when they are UTF-8,
// as the parser's own decoder finds, else their values.
value bytes_value(std::string const& s) {
  std::string quoted = "\"";
  for (unsigned char c : s) {
    if (c < 0x20 || c == '"' || c == '\\') {
      char esc[7];
      snprintf(esc, sizeof esc, "\\u%04x", c);
      quoted += esc;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  quoted += '"';
  value v;
  value parsed;
  if (parser(quoted).parse(&parsed)) {
    v.k = value::string;
    v.text = s;
  } else {
    v.k = value::array;
    for (unsigned char c : s) {
      value n;
      n.k = value::number;
      n.text = std::to_string(c);
      v.items.push_back(n);
    }
  }
  return v;
}

std::string out;

ssize_t string_op(int, iovec const* v, unsigned n) {
  size_t total = 0;
  for (unsigned k = 0; k < n; k++) {
    out.append(static_cast<char*>(v[k].iov_base), v[k].iov_len);
    total += v[k].iov_len;
  }
  return static_cast<ssize_t>(total);
}

// The model: the containers open, innermost last, each with the key it
// waits to give a value to.
struct frame {
  value v;
  bool keyed = false;
  std::string key;
};

struct model {
  std::vector<frame> stack;
  value top;
  bool done = false;

  bool value_allowed() const {
    if (stack.empty()) return !done;
    frame const& f = stack.back();
    return f.v.k == value::array || f.keyed;
  }
  void add(value v) {
    if (stack.empty()) {
      top = std::move(v);
      done = true;
      return;
    }
    frame& f = stack.back();
    if (f.v.k == value::object) {
      f.v.keys.push_back(f.key);
      f.keyed = false;
    }
    f.v.items.push_back(std::move(v));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  out.clear();
  char storage[7];
  buffer b;
  FUZZ_CHECK(buffer_init(&b, string_op, 1, storage, sizeof storage));
  json j;
  json_init(&j, &b);
  model m;

  size_t i = 0;
  auto take = [&](size_t n) {
    std::string s(reinterpret_cast<char const*>(data) + i, std::min(n, size - i));
    i += s.size();
    return s;
  };
  while (i < size) {
    uint8_t const op = data[i++] % 10;
    int r;
    bool allowed;
    errno = 0;
    switch (op) {
      case 0:
      case 2: {
        bool const object = op == 2;
        allowed = m.value_allowed() && m.stack.size() < JSON_MAXDEPTH;
        r = object ? json_object_open(&j) : json_array_open(&j);
        if (allowed) {
          frame f;
          f.v.k = object ? value::object : value::array;
          m.stack.push_back(std::move(f));
        }
        break;
      }
      case 1:
      case 3: {
        bool const object = op == 3;
        allowed = !m.stack.empty() && !m.stack.back().keyed &&
                  (m.stack.back().v.k == value::object) == object;
        r = object ? json_object_close(&j) : json_array_close(&j);
        if (allowed) {
          value v = std::move(m.stack.back().v);
          m.stack.pop_back();
          m.add(std::move(v));
        }
        break;
      }
      case 4: {
        std::string const key = take(i < size ? data[i++] % 16 : 0);
        allowed = !m.stack.empty() && m.stack.back().v.k == value::object &&
                  !m.stack.back().keyed && bytes_value(key).k == value::string;
        r = json_key(&j, key.data(), key.size());
        if (allowed) {
          m.stack.back().keyed = true;
          m.stack.back().key = key;
        }
        break;
      }
      case 5: {
        std::string const s = take(i < size ? data[i++] % 32 : 0);
        allowed = m.value_allowed();
        r = json_bytes(&j, s.data(), s.size());
        if (allowed) m.add(bytes_value(s));
        break;
      }
      case 6:
      case 7: {
        uint64_t u = 0;
        for (unsigned char c : take(8)) u = u << 8 | c;
        allowed = m.value_allowed();
        value v;
        v.k = value::number;
        if (op == 6) {
          r = json_uint(&j, u);
          v.text = std::to_string(u);
        } else {
          r = json_int(&j, static_cast<int64_t>(u));
          v.text = std::to_string(static_cast<int64_t>(u));
        }
        if (allowed) m.add(v);
        break;
      }
      case 8: {
        bool const t = i < size && data[i++] & 1;
        allowed = m.value_allowed();
        r = json_bool(&j, t);
        value v;
        v.k = value::boolean;
        v.b = t;
        if (allowed) m.add(v);
        break;
      }
      default:
        allowed = m.value_allowed();
        r = json_null(&j);
        if (allowed) m.add(value{});
    }
    FUZZ_CHECK(r == (allowed ? 1 : 0));
    if (!r) FUZZ_CHECK(errno == EINVAL);
  }

  // Complete the text: a value for a waiting key, then every close.
  while (!m.stack.empty()) {
    if (m.stack.back().keyed) {
      FUZZ_CHECK(json_null(&j) == 1);
      m.add(value{});
    }
    bool const object = m.stack.back().v.k == value::object;
    FUZZ_CHECK((object ? json_object_close(&j) : json_array_close(&j)) == 1);
    value v = std::move(m.stack.back().v);
    m.stack.pop_back();
    m.add(std::move(v));
  }
  if (!m.done) {
    FUZZ_CHECK(json_finish(&j) == 0 && errno == EINVAL);
    FUZZ_CHECK(json_null(&j) == 1);
    m.add(value{});
  }
  FUZZ_CHECK(json_finish(&j) == 1);
  FUZZ_CHECK(!out.empty() && out.back() == '\n');

  value parsed;
  FUZZ_CHECK(parser(out).parse(&parsed));
  FUZZ_CHECK(parsed == m.top);
  return 0;
}
