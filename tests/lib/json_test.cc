#include "lib/json.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "lib/buffer.h"

namespace {

std::string written;
int fail_errno = 0;

ssize_t string_op(int, iovec const* v, unsigned n) {
  if (fail_errno) {
    errno = fail_errno;
    return -1;
  }
  size_t total = 0;
  for (unsigned k = 0; k < n; k++) {
    written.append(static_cast<char*>(v[k].iov_base), v[k].iov_len);
    total += v[k].iov_len;
  }
  return static_cast<ssize_t>(total);
}

// A small ring, so that long values pass through many flushes.
struct writer {
  char storage[16];
  buffer b;
  json j;
  writer() {
    written.clear();
    fail_errno = 0;
    buffer_init(&b, string_op, 1, storage, sizeof storage);
    json_init(&j, &b);
  }
  // The text without the newline that ends it.
  std::string finish() {
    EXPECT_EQ(json_finish(&j), 1);
    EXPECT_EQ(written.back(), '\n');
    return written.substr(0, written.size() - 1);
  }
};

std::string str(std::string const& s) {
  writer w;
  EXPECT_EQ(json_bytes(&w.j, s.data(), s.size()), 1);
  return w.finish();
}

TEST(JsonWriter, StringsAreEscapedOrWrittenAsBytes) {
  struct row {
    std::string in;
    std::string out;
  } const rows[] = {
      {"", R"("")"},
      {"web", R"("web")"},
      {"a\"b\\c/d", R"("a\"b\\c/d")"},
      {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\x7f\""},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
       "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
      {"\xed\x9f\xbf\xee\x80\x80\xf4\x8f\xbf\xbf", "\"\xed\x9f\xbf\xee\x80\x80\xf4\x8f\xbf\xbf\""},
      {"\xf0\x90\x80\x80", "\"\xf0\x90\x80\x80\""},  // U+10000, the first four-byte form
      // Not UTF-8: stray continuation, overlong, surrogate, past U+10FFFF,
      // cut short, bytes that never occur.
      {"a\x80", "[97,128]"},
      {"\xc0\xaf", "[192,175]"},
      {"\xe0\x80\xaf", "[224,128,175]"},
      {"\xf0\x8f\xbf\xbf", "[240,143,191,191]"},  // U+FFFF in four bytes
      {"\xed\xa0\x80", "[237,160,128]"},
      {"\xf4\x90\x80\x80", "[244,144,128,128]"},
      {"\xe2\x82", "[226,130]"},
      {"\xf5\xfe\xff", "[245,254,255]"},
      {"\xc3\xa9\x22\xff", "[195,169,34,255]"},
  };
  for (auto const& c : rows) EXPECT_EQ(str(c.in), c.out) << c.out;
  std::string const big(1000, 'x');
  EXPECT_EQ(str(big), "\"" + big + "\"");
}

TEST(JsonWriter, NumbersBooleansAndNull) {
  struct row {
    std::function<int(json*)> call;
    char const* out;
  } const rows[] = {
      {[](json* j) { return json_uint(j, 0); }, "0"},
      {[](json* j) { return json_uint(j, UINT64_MAX); }, "18446744073709551615"},
      {[](json* j) { return json_int(j, -1); }, "-1"},
      {[](json* j) { return json_int(j, INT64_MIN); }, "-9223372036854775808"},
      {[](json* j) { return json_bool(j, true); }, "true"},
      {[](json* j) { return json_bool(j, false); }, "false"},
      {[](json* j) { return json_null(j); }, "null"},
  };
  for (auto const& c : rows) {
    writer w;
    EXPECT_EQ(c.call(&w.j), 1);
    EXPECT_EQ(w.finish(), c.out);
  }
}

TEST(JsonWriter, CommasAndColonsInNestedContainers) {
  writer w;
  json* j = &w.j;
  EXPECT_EQ(json_array_open(j), 1);
  EXPECT_EQ(json_object_open(j), 1);
  EXPECT_EQ(json_keys(j, "name"), 1);
  EXPECT_EQ(json_str(j, "web"), 1);
  EXPECT_EQ(json_keys(j, "up"), 1);
  EXPECT_EQ(json_bool(j, true), 1);
  EXPECT_EQ(json_keys(j, "list"), 1);
  EXPECT_EQ(json_array_open(j), 1);
  EXPECT_EQ(json_array_close(j), 1);
  EXPECT_EQ(json_keys(j, "o"), 1);
  EXPECT_EQ(json_object_open(j), 1);
  EXPECT_EQ(json_object_close(j), 1);
  EXPECT_EQ(json_object_close(j), 1);
  EXPECT_EQ(json_uint(j, 1), 1);
  EXPECT_EQ(json_array_open(j), 1);
  EXPECT_EQ(json_null(j), 1);
  EXPECT_EQ(json_bytes(j, "\xff", 1), 1);
  EXPECT_EQ(json_array_close(j), 1);
  EXPECT_EQ(json_array_close(j), 1);
  EXPECT_EQ(w.finish(), R"([{"name":"web","up":true,"list":[],"o":{}},1,[null,[255]]])");
}

TEST(JsonWriter, CallsThatWouldBreakTheTextAreRefused) {
  struct row {
    char const* name;
    std::function<void(json*)> before;
    std::function<int(json*)> call;
  } const rows[] = {
      {"KeyAtTopLevel", [](json*) {}, [](json* j) { return json_keys(j, "k"); }},
      {"KeyInArray", [](json* j) { json_array_open(j); },
       [](json* j) { return json_keys(j, "k"); }},
      {"ValueWithoutKey", [](json* j) { json_object_open(j); },
       [](json* j) { return json_uint(j, 1); }},
      {"KeyAfterKey",
       [](json* j) {
         json_object_open(j);
         json_keys(j, "a");
       },
       [](json* j) { return json_keys(j, "b"); }},
      {"CloseWithValueDue",
       [](json* j) {
         json_object_open(j);
         json_keys(j, "a");
       },
       [](json* j) { return json_object_close(j); }},
      {"KeyNotUtf8", [](json* j) { json_object_open(j); },
       [](json* j) { return json_key(j, "\xff", 1); }},
      {"WrongClose", [](json* j) { json_array_open(j); },
       [](json* j) { return json_object_close(j); }},
      {"CloseAtTopLevel", [](json*) {}, [](json* j) { return json_array_close(j); }},
      {"SecondTopLevelValue", [](json* j) { json_null(j); }, [](json* j) { return json_null(j); }},
      {"TooDeep",
       [](json* j) {
         for (unsigned i = 0; i < JSON_MAXDEPTH; i++) json_array_open(j);
       },
       [](json* j) { return json_array_open(j); }},
  };
  for (auto const& c : rows) {
    writer w;
    c.before(&w.j);
    buffer_flush(&w.b);
    std::string const before = written;
    errno = 0;
    EXPECT_EQ(c.call(&w.j), 0) << c.name;
    EXPECT_EQ(errno, EINVAL) << c.name;
    buffer_flush(&w.b);
    EXPECT_EQ(written, before) << c.name << ": nothing written";
  }
}

TEST(JsonWriter, IncompleteTextDoesNotFinish) {
  writer w;
  EXPECT_EQ(json_finish(&w.j), 0);
  EXPECT_EQ(errno, EINVAL);
  json_array_open(&w.j);
  EXPECT_EQ(json_finish(&w.j), 0);
  EXPECT_EQ(errno, EINVAL);
  json_array_close(&w.j);
  EXPECT_EQ(w.finish(), "[]");
}

TEST(JsonWriter, AWriteFailureSticks) {
  writer w;
  fail_errno = ENOSPC;
  std::string const big(100, 'x');
  EXPECT_EQ(json_array_open(&w.j), 1);  // still fits in the ring
  EXPECT_EQ(json_str(&w.j, big.c_str()), 0);
  EXPECT_EQ(errno, ENOSPC);
  fail_errno = 0;
  errno = 0;
  EXPECT_EQ(json_array_close(&w.j), 0);
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(json_finish(&w.j), 0);
  EXPECT_EQ(errno, ENOSPC);
}

}  // namespace
