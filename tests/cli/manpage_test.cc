// The manual pages, as configuring writes them for a build that sets
// nothing and for the Debian package's build: clean under mandoc's lint,
// rendered by man, speaking of every command word and environment variable
// there is, and naming the paths that the build compiles into the programs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/run.h"

using namespace orvtest;

namespace {

char const* const kNames[] = {"orv.1", "orvctl-helper-echo.8", "orvctl-helper-kill.8"};

// Configured once for the suite: "default" with no settings at all,
// "package" with the package preset.
std::unique_ptr<tempdir> builds;

class ManPages : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    builds = std::make_unique<tempdir>();
    std::vector<std::string> const env = {"PATH=/usr/bin:/bin"};
    result r = run({"/usr/bin/cmake", "-S", ORV_SOURCE_DIR, "-B", *builds / "default", "-G",
                    "Ninja", "-DBUILD_TESTING=OFF", "-DORV_BUILD_TESTBED=OFF"},
                   env);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    r = run(
        {"/usr/bin/cmake", "-S", ORV_SOURCE_DIR, "--preset", "package", "-B", *builds / "package"},
        env);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
  }
  static void TearDownTestSuite() { builds.reset(); }

  static std::string page(char const* build, char const* name) {
    return *builds / (std::string(build) + "/doc/" + name);
  }
  static std::vector<std::string> all_pages() {
    std::vector<std::string> pages;
    for (char const* b : {"default", "package"})
      for (char const* n : kNames) pages.push_back(page(b, n));
    return pages;
  }
};

// mandoc's text with the overstrike that marks bold and underlined text taken out.
std::string plain_text(std::string const& path) {
  result r =
      run({"/usr/bin/mandoc", "-T", "ascii", "-O", "width=1000", path}, {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(r.code, 0) << path << r.err;
  std::string text;
  for (size_t i = 0; i < r.out.size(); i++) {
    if (i + 1 < r.out.size() && r.out[i + 1] == '\b') {
      i++;
      continue;
    }
    text += r.out[i];
  }
  return text;
}

TEST_F(ManPages, LintClean) {
  if (!file_exists("/usr/bin/mandoc")) GTEST_SKIP() << "no mandoc";
  for (auto const& p : all_pages()) {
    result r = run({"/usr/bin/mandoc", "-T", "lint", "-W", "warning", p}, {"PATH=/usr/bin:/bin"});
    EXPECT_EQ(r.code, 0) << p << "\n" << r.out << r.err;
    EXPECT_EQ(r.out + r.err, "") << p;
  }
}

TEST_F(ManPages, OrvPageCoversEveryCommandAndVariable) {
  if (!file_exists("/usr/bin/mandoc")) GTEST_SKIP() << "no mandoc";
  std::string const text = plain_text(page("default", "orv.1"));
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
TEST_F(ManPages, RenderWithManAt80Columns) {
  if (!file_exists("/usr/bin/man")) GTEST_SKIP() << "no man";
  for (auto const& p : all_pages()) {
    result r = run({"/usr/bin/man", "-l", p}, {"PATH=/usr/bin:/bin", "MANPAGER=cat", "PAGER=cat",
                                               "MANWIDTH=80", "LC_ALL=C.UTF-8"});
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

// Each build's pages name the paths that its programs are compiled with:
// the helpers, the boot database, the stores and the search path. A build
// that sets nothing keeps the /usr/local ones; the package has the /usr
// layout and no /usr/local path but the search path's.
TEST_F(ManPages, NameThePathsTheProgramsAreBuiltWith) {
  if (!file_exists("/usr/bin/mandoc")) GTEST_SKIP() << "no mandoc";
  struct row {
    char const* build;
    std::string helpers;
    std::string bootdb;
    std::string stores;
    std::vector<std::string> store_text;
    std::vector<std::string> absent;
  } const rows[] = {
      {.build = "default",
       .helpers = "/usr/local/libexec",
       .bootdb = "/usr/local/etc/tuvo/compiled/current",
       .stores = "/usr/local/share/orvctl/tuvo/sources:/usr/local/etc/orvctl/tuvo/sources",
       .store_text = {"/usr/local/share/orvctl/tuvo/sources and "
                      "/usr/local/etc/orvctl/tuvo/sources, in this order"},
       .absent = {"/usr/libexec", "/usr/share/orvctl", " /etc/"}},
      {.build = "package",
       .helpers = "/usr/libexec/orv",
       .bootdb = "/etc/tuvo/compiled/current",
       .stores = "/usr/share/orvctl/tuvo/sources:/etc/orvctl/tuvo/sources",
       .store_text = {"/usr/share/orvctl/tuvo/sources and /etc/orvctl/tuvo/sources, in this order"},
       .absent = {"/usr/local/libexec", "/usr/local/etc", "/usr/local/share"}},
  };
  for (auto const& c : rows) {
    std::string const echo = c.helpers + "/orvctl-helper-echo";
    std::string const kill = c.helpers + "/orvctl-helper-kill";
    // What the programs are compiled with, as the compile commands carry it.
    std::string const commands =
        read_file(*builds / (std::string(c.build) + "/compile_commands.json"));
    auto const define = [](char const* name, std::string const& value) {
      return std::string("-D") + name + R"(=\\\")" + value + R"(\\\")";
    };
    for (auto const& d : {define("ORV_HELPER_ECHO", echo), define("ORV_HELPER_KILL", kill),
                          define("ORV_BOOTDB", c.bootdb), define("ORV_STORELIST", c.stores),
                          define("ORV_DEFAULT_PATH", "/usr/local/bin:/usr/bin:/bin")})
      EXPECT_NE(commands.find(d), std::string::npos) << c.build << ": " << d;

    std::string const orv = plain_text(page(c.build, "orv.1"));
    std::vector<std::string> want = {echo, kill, "Default " + c.bootdb + ".",
                                     "when it is not set, /usr/local/bin, /usr/bin and /bin, in "
                                     "that order."};
    want.insert(want.end(), c.store_text.begin(), c.store_text.end());
    for (auto const& w : want) EXPECT_NE(orv.find(w), std::string::npos) << c.build << ": " << w;
    std::string const echo_page = plain_text(page(c.build, "orvctl-helper-echo.8"));
    std::string const kill_page = plain_text(page(c.build, "orvctl-helper-kill.8"));
    EXPECT_NE(echo_page.find(echo + " [-n]"), std::string::npos) << c.build;
    EXPECT_NE(kill_page.find(kill + " signal"), std::string::npos) << c.build;
    for (auto const& text : {orv, echo_page, kill_page})
      for (auto const& a : c.absent)
        EXPECT_EQ(text.find(a), std::string::npos) << c.build << ": " << a;
  }
}

}  // namespace
