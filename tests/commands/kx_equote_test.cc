// The block encoding: the size it asks for and every byte it writes, into
// storage of exactly that size followed by a guard that must stay untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/equote.h"

namespace {

using strings = std::vector<std::string>;

struct equote_case {
  char const* name;
  strings args;
  char const* prefix;
  size_t space;       // what kx_equote_space asks for
  strings elements;   // out[0] to out[n - 1]
  std::string bytes;  // the storage as written
};

TEST(KxEquote, AsksForExactlyWhatItWrites) {
  using namespace std::string_literals;
  equote_case const cases[] = {
      {"PrefixedPair",
       {"a", "bc"},
       "/run/service",
       33,
       {" /run/service/a", " /run/service/bc"},
       " /run/service/a\0 /run/service/bc\0"s},
      {"BarePair", {"a", "bc"}, nullptr, 7, {" a", " bc"}, " a\0 bc\0"s},
      {"NothingPrefixed", {}, "/run/service", 0, {}, ""},
      {"NothingBare", {}, nullptr, 0, {}, ""},
      {"ElementsCopiedAsTheyAre", {"", " x"}, nullptr, 6, {" ", "  x"}, " \0  x\0"s},
      {"EmptyPrefix", {"a"}, "", 4, {" /a"}, " /a\0"s},
  };
  std::string const guard = "GUARD";
  char const* const unset = "unset";
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char const*> argv;
    for (auto const& a : c.args) argv.push_back(a.c_str());
    size_t const n = argv.size();
    size_t const space = kx_equote_space(argv.data(), n, c.prefix);
    ASSERT_EQ(space, c.space);
    ASSERT_EQ(c.bytes.size(), space);

    std::vector<char> storage(space, '#');
    storage.insert(storage.end(), guard.begin(), guard.end());
    std::vector<char const*> out(n + 2, unset);
    EXPECT_EQ(kx_equote(out.data(), argv.data(), n, c.prefix, storage.data()), n + 1);
    EXPECT_EQ(std::string(storage.data(), space), c.bytes);
    EXPECT_EQ(std::string(storage.data() + space, guard.size()), guard)
        << "written past the size asked for";

    char const* at = storage.data();
    for (size_t i = 0; i < n; i++) {
      EXPECT_EQ(out[i], at) << i;  // each element starts right after the last NUL
      EXPECT_STREQ(out[i], c.elements[i].c_str()) << i;
      at += c.elements[i].size() + 1;
    }
    // The terminating element is a constant, outside the storage.
    EXPECT_STREQ(out[n], "");
    EXPECT_TRUE(out[n] < storage.data() || out[n] >= storage.data() + storage.size());
    EXPECT_EQ(out[n + 1], unset) << "more than n + 1 pointers written";
  }
}

}  // namespace
