// The README's first command: the sandbox's tour runs to its end, shows real
// output of each step, including the supervised daemons' own logs, and removes
// what it made unless told to keep it.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

using namespace orvtest;

namespace {

std::string sandbox_dir(std::string const& out) {
  std::string const head = "orv sandbox in ";
  auto p = out.find(head);
  if (p == std::string::npos) return "";
  p += head.size();
  return out.substr(p, out.find('\n', p) - p);
}

result tour(std::string const& extra = "") {
  std::vector<std::string> argv = {std::string(ORV_SOURCE_DIR) + "/testbed/sandbox", "--no-build",
                                   "--build", ORV_BUILD_DIR};
  if (!extra.empty()) argv.push_back(extra);
  return run(argv, {"PATH=/usr/bin:/bin", "TMPDIR=/tmp"});
}

TEST(Sandbox, TourShowsEachStep) {
  result r = tour();
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "");
  std::string const& o = r.out;
  std::string const expected[] = {
      "$ orv live status\ndb/down\ncache/down\nweb/down\nsetup-net/down\n",
      "$ orv live status -E\ndb/up\ncache/up\nweb/up\nmount-fs/up\nsetup-net/up\n",
      "tuvo: fatal: unable to start web: injected failure\n"
      "orvctl: info: the following atomic services have been brought up:\n",
      "(exit 1)\n",
      "/service/web/log: down ",
      // The supervisor acts on web's daemon: stop ends it, start runs a new
      // one, and a signal reaches it.
      "$ orv process stop -w web\n",
      " got TERM, exiting\n",
      "$ orv process start -w web\n",
      "/service/web: up (pid ",
      " up\n",
      "$ orv process kill -s HUP web\n",
      " got HUP\n",
      "  [tuvo-set-change] [-r] [",
  };
  size_t at = 0;
  for (auto const& e : expected) {
    size_t p = o.find(e, at);
    EXPECT_NE(p, std::string::npos) << "missing, in order: " << e << "\n--- output:\n" << o;
    if (p != std::string::npos) at = p + e.size();
  }
  std::string dir = sandbox_dir(o);
  ASSERT_FALSE(dir.empty());
  EXPECT_FALSE(file_exists(dir)) << dir << " was left behind";
}

TEST(Sandbox, KeepLeavesTheFolder) {
  result r = tour("--keep");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  std::string dir = sandbox_dir(r.out);
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(r.out.find("sandbox kept in " + dir + "\n"), std::string::npos);
  EXPECT_TRUE(file_exists(dir + "/live/state"));
  run({"/bin/rm", "-rf", dir}, {});
}

}  // namespace
