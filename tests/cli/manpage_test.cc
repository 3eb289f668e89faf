// The manual pages: clean under mandoc's lint, render with man, and speak
// of every command word and environment variable there is.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

using namespace orvtest;

namespace {

std::string const kPages[] = {"doc/orv.1", "doc/orvctl-helper-echo.8", "doc/orvctl-helper-kill.8"};

std::string page(std::string const& rel) {
  return std::string(ORV_SOURCE_DIR) + "/" + rel;
}

TEST(ManPages, LintClean) {
  if (!file_exists("/usr/bin/mandoc")) GTEST_SKIP() << "no mandoc";
  for (auto const& p : kPages) {
    result r =
        run({"/usr/bin/mandoc", "-T", "lint", "-W", "warning", page(p)}, {"PATH=/usr/bin:/bin"});
    EXPECT_EQ(r.code, 0) << p << "\n" << r.out << r.err;
    EXPECT_EQ(r.out + r.err, "") << p;
  }
}

TEST(ManPages, OrvPageCoversEveryCommandAndVariable) {
  if (!file_exists("/usr/bin/mandoc")) GTEST_SKIP() << "no mandoc";
  result r = run({"/usr/bin/mandoc", "-T", "ascii", "-O", "width=1000", page("doc/orv.1")},
                 {"PATH=/usr/bin:/bin"});
  ASSERT_EQ(r.code, 0) << r.err;
  // Strip the overstrike that marks bold and underlined text.
  std::string text;
  for (size_t i = 0; i < r.out.size(); i++) {
    if (i + 1 < r.out.size() && r.out[i + 1] == '\b') {
      i++;
      continue;
    }
    text += r.out[i];
  }
  char const* const words[] = {"live start",
                               "live stop",
                               "live restart",
                               "live status",
                               "live install",
                               "live start-everything",
                               "live stop-everything",
                               "process start",
                               "process stop",
                               "process restart",
                               "process kill",
                               "process status",
                               "set enable",
                               "disable",
                               "mask",
                               "unmask",
                               "make-essential",
                               "set check",
                               "set commit",
                               "set save",
                               "set load",
                               "set list",
                               "set status",
                               "set delete",
                               "repository init",
                               "repository sync",
                               "repository list",
                               "repository check",
                               "system boot",
                               "system halt",
                               "poweroff",
                               "shutdown",
                               "reboot",
                               "scandir",
                               "livedir",
                               "repodir",
                               "bootdb",
                               "stmpdir",
                               "storelist",
                               "verbosity",
                               "/usr/local/libexec/orvctl-helper-echo"};
  for (char const* w : words) EXPECT_NE(text.find(w), std::string::npos) << w;
}

// At 80 columns, without a warning from the formatter (such as "can't break
// line" for a word longer than the text column) and without an overlong line.
TEST(ManPages, RenderWithManAt80Columns) {
  if (!file_exists("/usr/bin/man")) GTEST_SKIP() << "no man";
  for (auto const& p : kPages) {
    result r = run({"/usr/bin/man", "-l", page(p)},
                   {"PATH=/usr/bin:/bin", "MANPAGER=cat", "PAGER=cat", "MANWIDTH=80",
                    "LC_ALL=C.UTF-8"});
    EXPECT_EQ(r.code, 0) << p << r.err;
    EXPECT_EQ(r.err, "") << p;
    EXPECT_NE(r.out.find("NAME"), std::string::npos) << p;
    size_t start = 0;
    while (start < r.out.size()) {
      size_t end = r.out.find('\n', start);
      if (end == std::string::npos) end = r.out.size();
      std::string const line = r.out.substr(start, end - start);
      size_t columns = 0;
      for (size_t i = 0; i < line.size(); i++) {
        if (i + 1 < line.size() && line[i + 1] == '\b') {  // overstrike: one column
          i++;
          continue;
        }
        columns += (static_cast<unsigned char>(line[i]) & 0xc0) != 0x80;  // UTF-8 lead bytes
      }
      EXPECT_LE(columns, 80u) << p << ": " << line;
      start = end + 1;
    }
  }
}

}  // namespace
