// Environment vectors: merging a modification block, splitting a block.
#include "lib/env.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;

strings merge(strings const& env, std::string const& block, size_t extra = 0) {
  std::vector<char const*> e;
  for (auto const& s : env) e.push_back(s.c_str());
  e.push_back(nullptr);
  size_t nmod = 0;
  for (char c : block) nmod += c == 0;
  size_t vmax = env.size() + nmod + 1 + extra;
  std::vector<char const*> v(vmax, "untouched");
  size_t n = env_merge(v.data(), vmax, e.data(), env.size(), block.data(), block.size());
  EXPECT_GE(n, 1u);
  EXPECT_EQ(v[n - 1], nullptr);
  strings out;
  for (size_t i = 0; i + 1 < n; ++i) out.push_back(v[i]);
  return out;
}

TEST(Env, MergeCases) {
  using namespace std::string_literals;
  strings const abc = {"A=0", "B=1", "C=2"};
  struct row {
    char const* name;
    strings env;
    std::string block;
    strings want;
  } rows[] = {
      {"EmptyBlock", abc, "", abc},
      {"LastSetWins", abc, "A=1\0A=2\0"s, {"C=2", "B=1", "A=2"}},
      {"SetNew", abc, "D=3\0"s, {"A=0", "B=1", "C=2", "D=3"}},
      {"SetEmptyValue", abc, "B=\0"s, {"A=0", "C=2", "B="}},
      {"RemoveEveryMatch", {"A=0", "AB=5", "A=9", "B=1", "A="}, "A\0"s, {"B=1", "AB=5"}},
      {"SetReplacesEveryMatch", {"A=0", "B=1", "A=9"}, "A=2\0"s, {"B=1", "A=2"}},
      {"RemoveAdjacentMatchesAtTheEnd", {"B=1", "A=0", "A=9"}, "A\0"s, {"B=1"}},
      {"RemoveAbsentChangesNothing", abc, "Z\0AB\0"s, abc},
      {"NamePrefixIsNoMatch", {"A=0", "ABC=1"}, "AB=x\0"s, {"A=0", "ABC=1", "AB=x"}},
      {"ValueWithEquals", abc, "A=x=y\0"s, {"C=2", "B=1", "A=x=y"}},
      {"RemoveEverything", abc, "A\0B\0C\0"s, {}},
      {"UnterminatedLastEntryIgnored", abc, "D=3\0E=4"s, {"A=0", "B=1", "C=2", "D=3"}},
  };
  for (auto const& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(merge(r.env, r.block), r.want);
  }
}

TEST(Env, MergeFailsWhenTheVectorIsTooSmall) {
  using namespace std::string_literals;
  char const* env[] = {"A=0", "B=1", nullptr};
  std::string const block = "C=2\0"s;
  char const* v[8];
  EXPECT_EQ(env_merge(v, 2, env, 2, block.data(), block.size()), 0u);  // no room for env
  EXPECT_EQ(env_merge(v, 3, env, 2, block.data(), block.size()), 0u);  // no room for C=2
  EXPECT_EQ(env_merge(v, 3, env, 2, nullptr, 0), 3u);                  // null fits exactly
  EXPECT_EQ(env_merge(v, 2, env, 1, block.data(), block.size()), 0u);  // no room for the null
  EXPECT_EQ(env_mergen(v, 4, env, 2, block.data(), block.size(), 1), 4u);
  EXPECT_STREQ(v[2], "C=2");
  EXPECT_EQ(v[3], nullptr);
}

TEST(Env, LenCountsEntries) {
  char const* none[] = {nullptr};
  char const* two[] = {"A=1", "B=2", nullptr};
  EXPECT_EQ(env_len(none), 0u);
  EXPECT_EQ(env_len(two), 2u);
}

TEST(Env, MakeSplitsTheFirstNStrings) {
  using namespace std::string_literals;
  std::string const s = "a\0bb\0\0rest"s;
  char const* v[4] = {};
  ASSERT_EQ(env_make(v, 3, s.data(), s.size()), 1);
  EXPECT_STREQ(v[0], "a");
  EXPECT_STREQ(v[1], "bb");
  EXPECT_STREQ(v[2], "");
  EXPECT_EQ(v[3], nullptr);  // nothing stored past n
  EXPECT_EQ(env_make(v, 0, s.data(), 0), 1);
  errno = 0;
  EXPECT_EQ(env_make(v, 4, s.data(), s.size()), 0);  // "rest" has no NUL
  EXPECT_EQ(errno, EINVAL);
  errno = 0;
  EXPECT_EQ(env_make(v, 2, s.data(), 3), 0);  // "bb" cut short by len
  EXPECT_EQ(errno, EINVAL);
}

}  // namespace
