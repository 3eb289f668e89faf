// Argument vector builders: what goes in comes out in order with its null,
// and a builder too small for what is put in is caught: by the compiler for
// fixed vectors, by a fatal diagnostic for vectors sized at run time.
#include "lib/argv.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
concept takes_one = requires(C c) { c.add("x"); };
template <class C>
concept takes_one_if = requires(C c) { c.add_if(true, "x"); };

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
  char const* const* r = v.start()
                             .add("tool", "-r")
                             .add_if(false, "-f")
                             .add_if(true, "-x", "y")
                             .add("--", "z")
                             .end();
  EXPECT_EQ(words(r), (std::vector<std::string>{"tool", "-r", "-x", "y", "--", "z"}));
  EXPECT_EQ(r[6], nullptr);
}

TEST(ArgvHeap, FillsInlineAndOnTheHeap) {
  char const* const names[] = {"a", "b", "c", "d", "e"};
  for (size_t room : {7u, 70u}) {
    argv_heap<8> v(room);
    ASSERT_TRUE(v);
    v.add("tool").add_if(false, "-n").add_all(names, 5);
    EXPECT_EQ(words(v.end()), (std::vector<std::string>{"tool", "a", "b", "c", "d", "e"}));
  }
}

TEST(ArgvHeap, ReserveHandsOutTheNextSlots) {
  argv_heap<4> v(4);
  char const** p = v.reserve(2);
  p[0] = "a";
  p[1] = "b";
  v.add("c");
  EXPECT_EQ(words(v.end()), (std::vector<std::string>{"a", "b", "c"}));
}

// Each way of putting one element too many ends the process with the
// diagnostic, before anything is written past the room.
TEST(ArgvHeap, UndersizedRoomIsFatal) {
  char const* const names[] = {"a", "b", "c"};
  struct {
    char const* what;
    void (*fill)(argv_heap<2>& v, char const* const* names);
  } const cases[] = {
      {"add", [](argv_heap<2>& v, char const* const*) { v.add("a", "b", "c"); }},
      {"add_if", [](argv_heap<2>& v, char const* const*) { v.add("a").add_if(true, "b", "c"); }},
      {"add_all", [](argv_heap<2>& v, char const* const* n) { v.add_all(n, 3); }},
      {"reserve", [](argv_heap<2>& v, char const* const*) { v.reserve(3); }},
  };
  for (auto const& c : cases) {
    EXPECT_EXIT(
        {
          argv_heap<2> v(3);  // two elements and the null
          c.fill(v, names);
          _exit(0);
        },
        testing::ExitedWithCode(111), "unable to build argument vector: .*")
        << c.what;
  }
}

}  // namespace
