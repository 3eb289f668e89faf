// Argument vector builders: what goes in comes out in order with its null,
// and a builder too small for what is put in is caught: by the compiler for
// the counted part, by an error from end() for a part sized at run time.
#include "lib/argv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::vector<std::string> words(char const* const* v) {
  std::vector<std::string> out;
  for (; *v; v++) out.emplace_back(*v);
  return out;
}

// A chain that may still take one more element.
template <class C>
concept takes_one = requires(C c) {
  c.add("x");
};
template <class C>
concept takes_one_if = requires(C c) {
  c.add_if(true, "x");
};

// Room for N pointers holds N - 1 elements and the null: a chain that has
// counted N - 1 cannot take another, conditionally or not.
static_assert(takes_one<argv_chain<3, 1>>);
static_assert(!takes_one<argv_chain<3, 2>>);
static_assert(takes_one_if<argv_chain<3, 1>>);
static_assert(!takes_one_if<argv_chain<3, 2>>);
// add_if counts what it might add, so the worst case decides.
static_assert(std::is_same_v<decltype(argv_chain<8, 1>(nullptr, 0).add_if(false, "a", "b")),
                             argv_chain<8, 3>>);

TEST(ArgvFixed, KeepsOrderSkipsFalseConditionsAndEndsWithNull) {
  argv_fixed<8> v;  // seven at most, and the null
  char const* const* r =
      v.start().add("tool", "-r").add_if(false, "-f").add_if(true, "-x", "y").add("--", "z").end();
  EXPECT_EQ(words(r), (std::vector<std::string>{"tool", "-r", "-x", "y", "--", "z"}));
  EXPECT_EQ(r[6], nullptr);
}

TEST(ArgvHeap, FillsInlineAndOnTheHeap) {
  char const* const names[] = {"a", "b", "c", "d", "e"};
  for (size_t extra : {5u, 70u}) {
    argv_heap<3, 8> v(extra);  // inline: 3 + 5 fits 8, 3 + 70 does not
    ASSERT_TRUE(v);
    auto a = v.start().add("tool").add_if(false, "-n").add_all(names, 5);
    EXPECT_EQ(words(a.end()), (std::vector<std::string>{"tool", "a", "b", "c", "d", "e"}));
  }
}

TEST(ArgvHeap, ReserveAndPushFollowWhatCameBefore) {
  argv_heap<2> v(3);
  auto a = v.start().add("tool");
  char const** p = a.reserve(2);
  ASSERT_NE(p, nullptr);
  p[0] = "a";
  p[1] = "b";
  a.push("c");
  EXPECT_EQ(words(a.end()), (std::vector<std::string>{"tool", "a", "b", "c"}));
}

// Each way of putting one run-time element too many leaves the vector
// unbuilt: end() gives null and E2BIG, and what was given is not written.
TEST(ArgvHeap, RunTimePartPastItsRoomFails) {
  char const* const names[] = {"a", "b", "c"};
  using chain = argv_chain<2, 1, true>;
  struct {
    char const* what;
    void (*fill)(chain& c, char const* const* names);
  } const cases[] = {
      {"add_all", [](chain& c, char const* const* n) { c.add_all(n, 3); }},
      {"push", [](chain& c, char const* const* n) { c.push(n[0]).push(n[1]).push(n[2]); }},
      {"reserve", [](chain& c, char const* const*) { EXPECT_EQ(c.reserve(3), nullptr); }},
  };
  for (auto const& c : cases) {
    argv_heap<2> v(2);
    ASSERT_TRUE(v);
    chain a = v.start().add("tool");
    c.fill(a, names);
    errno = 0;
    EXPECT_EQ(a.end(), nullptr) << c.what;
    EXPECT_EQ(errno, E2BIG) << c.what;
    EXPECT_EQ(a.size(), c.what == std::string("push") ? 3u : 1u) << c.what;
  }
}

}  // namespace
