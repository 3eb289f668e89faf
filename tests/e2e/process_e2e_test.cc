// The process group over service directories with the supervision
// stand-ins, and process kill against real processes: which ones a signal
// reaches is decided by the status records.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/json_check.h"
#include "support/names.h"
#include "support/run.h"
#include "support/sleepers.h"
#include "support/supervised.h"

namespace {

class ProcessSandbox : public testing::Test {
 protected:
  void svdir(strings words) {
    words.insert(words.begin(), {testbed_bin() + "/tb-svdir", scan.path()});
    result r = run(words, {"PATH=/usr/bin:/bin"});
    ASSERT_EQ(r.code, 0) << r.err;
  }
  result orv(strings args) {
    args.insert(args.begin(), {orv_path(), "-s", scan.path(), "process"});
    return run(args, testbed_env(tb.path()));
  }

  pid_t start_sleep(bool own_group = false) { return procs.start(own_group); }
  int ended_by(pid_t p) { return procs.ended_by(p); }
  bool still_running(pid_t p) { return procs.still_running(p); }

  tempdir scan, tb;

 private:
  orvtest::sleepers procs;
};

std::string const kVtalrmWarning = "orvctl: warning: signal " + std::to_string(SIGVTALRM) +
                                   " is not natively supported by orv-send, cannot ensure "
                                   "reliability\n";

TEST_F(ProcessSandbox, NonNativeSignalReachesOnlyTheRecordedPids) {
  pid_t const a = start_sleep(), b = start_sleep(), c = start_sleep(true), d = start_sleep();
  svdir({"a", "up", std::to_string(a)});
  svdir({"b", "up", std::to_string(b), "flags", "2"});  // not to be signalled
  svdir({"idle", "down"});
  // Its low half is minus c's pid: passed on, it would hit c's process group.
  svdir({"damaged", "rawpid", std::to_string((std::uint64_t{1} << 32) - std::uint64_t(c))});
  // Its low half is d's pid: cut to 32 bits, it would hit d.
  std::string const high = std::to_string((std::uint64_t{1} << 32) + std::uint64_t(d));
  svdir({"high", "rawpid", high});

  result r = orv({"kill", "-s", "VTALRM", "a", "b", "idle", "damaged", "high"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, kVtalrmWarning + "orvctl: warning: ignoring invalid pid -" + std::to_string(c) +
                       " in status file for service " + scan / "damaged" + "\n" +
                       "orvctl: warning: ignoring invalid pid " + high +
                       " in status file for service " + scan / "high" + "\n");
  EXPECT_EQ(ended_by(a), SIGVTALRM);
  EXPECT_TRUE(still_running(b));
  EXPECT_TRUE(still_running(c));
  EXPECT_TRUE(still_running(d));
}

TEST_F(ProcessSandbox, WaitingKillReturnsOnceTheDaemonsAreDead) {
  pid_t const a = start_sleep(), b = start_sleep();
  svdir({"a", "up", std::to_string(a)});
  svdir({"b", "up", std::to_string(b)});
  result r = orv({"kill", "--signal=SIGVTALRM", "--wait", "--timeout=5000", "a", "b"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, kVtalrmWarning);
  EXPECT_EQ(ended_by(a), SIGVTALRM);
  EXPECT_EQ(ended_by(b), SIGVTALRM);
}

TEST_F(ProcessSandbox, MissingStatusFileSendsNothing) {
  pid_t const a = start_sleep();
  svdir({"a", "up", std::to_string(a)});
  svdir({"bare", "nostatus"});
  result r = orv({"kill", "-s", "VTALRM", "a", "bare"});
  EXPECT_EQ(r.code, 111);
  EXPECT_TRUE(still_running(a));
}

TEST_F(ProcessSandbox, StartStopAndStatusThroughTheSupervisor) {
  svdir({"web", "down", "age", "5"});
  svdir({"web/log", "up", "4194310", "age", "5"});
  svdir({"cron", "nostatus"});
  std::string const web = scan / "web";

  result r = orv({"status", "-l", "web"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(std::regex_match(r.out, std::regex(web + ": down [0-9]+ seconds\n" + web +
                                                 "/log: up \\(pid 4194310\\) [0-9]+ seconds\n")))
      << r.out;

  ASSERT_EQ(orv({"start", "-w", "web"}).code, 0);
  r = orv({"status", "web"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex(web + ": up \\(pid [0-9]+\\) [0-9]+ seconds\n")))
      << r.out;
  ASSERT_EQ(orv({"stop", "web"}).code, 0);
  r = orv({"status", "web"});
  EXPECT_TRUE(std::regex_match(r.out, std::regex(web + ": down [0-9]+ seconds\n"))) << r.out;

  // A record the printer cannot read fails that one service, not the others.
  r = orv({"status", "cron", "web"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(
      std::regex_match(r.out, std::regex(scan / "cron" + ": " + web + ": down [0-9]+ seconds\n")))
      << r.out;
}

// --json reads the records itself: no status printer runs.
TEST_F(ProcessSandbox, JsonReadsTheRecordsThemselves) {
  svdir({"web", "down", "age", "5", "wstat", "256"});
  svdir({"web/log", "up", "4194310", "flags", "243"});  // bits 4 to 7 are not flags
  svdir({"cron", "nostatus"});
  svdir({"cut", "short", "20"});
  svdir({"big", "rawpid", std::to_string((std::uint64_t{1} << 32) + 1234)});
  svdir({"neg", "rawpid", "4294967295"});
  svdir({"loop"});
  ASSERT_EQ(symlink("log", (scan / "loop/log").c_str()), 0);
  // Two stamps that differ, so that each must come from its own bytes.
  std::string image = orvtest::read_file(scan / "web/supervise/status");
  image.replace(12, 12, std::string("\x40\0\0\0\0\0\0\x01\0\0\0\x05", 12));
  orvtest::write_file(scan / "web/supervise/status", image);

  // The external form of a directory's stamps, from the record's bytes.
  auto stamps = [&](std::string const& dir) {
    static char const hex[] = "0123456789abcdef";
    std::string const image = orvtest::read_file(scan / dir + "/supervise/status");
    std::string r[2] = {"@", "@"};
    for (int k = 0; k < 24; k++) {
      unsigned char const c = static_cast<unsigned char>(image[static_cast<size_t>(k)]);
      r[k / 12] += hex[c >> 4];
      r[k / 12] += hex[c & 15];
    }
    return R"("stamp1":")" + r[0] + R"(","stamp2":")" + r[1] + R"(")";
  };
  auto head = [&](char const* service, std::string const& dir, bool logger) {
    return R"({"service":")" + std::string(service) + R"(","dir":")" + scan / dir +
           R"(","logger":)" + (logger ? "true" : "false") + ",";
  };
  std::string const damaged = R"("error":"damaged pid field in status file"})";
  std::string const expect =
      "[" + head("web", "web", false) + R"("up":false,"pid":0,)" + stamps("web") +
      R"(,"wstat":256,"flags":0},)" + head("web", "web/log", true) + R"("up":true,"pid":4194310,)" +
      stamps("web/log") + R"(,"wstat":0,"flags":3},)" + head("cron", "cron", false) +
      R"("up":false,"error":"No such file or directory"},)" + head("cut", "cut", false) +
      R"("up":false,"error":"short status record"},)" + head("big", "big", false) +
      R"("up":false,"pid":null,)" + stamps("big") + R"(,"wstat":0,"flags":0,)" + damaged + "," +
      head("neg", "neg", false) + R"("up":false,"pid":null,)" + stamps("neg") +
      R"(,"wstat":0,"flags":0,)" + damaged + "," + head("loop", "loop", false) +
      R"("up":false,"pid":0,)" + stamps("loop") + R"(,"wstat":0,"flags":0},)" +
      head("loop", "loop/log", true) + R"("up":false,"error":")" +
      orvtest::program_strerror(ELOOP) + R"("},)" + head("web/log", "web/log", false) +
      R"("up":true,"pid":4194310,)" + stamps("web/log") + R"(,"wstat":0,"flags":3}])";

  result r = orv({"status", "-l", "--json", "web", "cron", "cut", "big", "neg", "loop", "web/log"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(json_canonical(r.out), expect);
  // The logger that cannot be examined is warned about as in the text form.
  EXPECT_EQ(r.err, "orvctl: warning: unable to stat " + scan / "loop/log" + ": " +
                       orvtest::program_strerror(ELOOP) + "\n");
  EXPECT_FALSE(orvtest::file_exists(tb / "log")) << "a tool ran";

  // Only good records: exit 0; without -l no logger; -L after -l turns it off.
  for (strings const& args : {strings{"--json", "web"}, strings{"-l", "--json", "-L", "web"}}) {
    strings argv = {"status"};
    argv.insert(argv.end(), args.begin(), args.end());
    r = orv(argv);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(json_canonical(r.out), "[" + head("web", "web", false) + R"("up":false,"pid":0,)" +
                                         stamps("web") + R"(,"wstat":256,"flags":0}])");
  }
  // A damaged pid alone is enough to fail.
  r = orv({"status", "--json", "big"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(json_canonical(r.out), "[" + head("big", "big", false) + R"("up":false,"pid":null,)" +
                                       stamps("big") + R"(,"wstat":0,"flags":0,)" + damaged + "]");
}

// A FIFO in place of a record is refused at once, never waited on: by the
// JSON status and by the reader behind a signal orv-send cannot send.
TEST_F(ProcessSandbox, FifoForAStatusRecordIsRefused) {
  svdir({"fifo", "down"});
  ASSERT_EQ(unlink((scan / "fifo/supervise/status").c_str()), 0);
  ASSERT_EQ(mkfifo((scan / "fifo/supervise/status").c_str(), 0644), 0);
  auto bounded = [&](strings args) {
    args.insert(args.begin(), {orv_path(), "-s", scan.path(), "process"});
    return run(args, testbed_env(tb.path()), {.timeout_seconds = 20});
  };
  result r = bounded({"status", "--json", "fifo"});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(json_canonical(r.out), R"([{"service":"fifo","dir":")" + scan / "fifo" +
                                       R"(","logger":false,"up":false,)" +
                                       R"("error":"status record is not a regular file"}])");
  r = bounded({"kill", "-s", "VTALRM", "fifo"});
  EXPECT_EQ(r.code, 111);
  EXPECT_EQ(r.err, kVtalrmWarning + "orvctl: fatal: unable to read status file for service " +
                       scan / "fifo" + ": Invalid argument\n");
}

TEST_F(ProcessSandbox, JsonChecksTheDirectoriesFirst) {
  svdir({"web", "down"});
  result r = orv({"status", "--json", "web", "nosuch"});
  EXPECT_EQ(r.code, 100);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "orvctl: fatal: nosuch is not registered as a supervised service in " +
                       scan.path() + "\n");
  r = orv({"status", "--json"});
  EXPECT_EQ(r.code, 100);
  EXPECT_EQ(r.err, "orvctl: usage: orv process status [ -L | -l ] services...\n");
}

// The process commands against a supervised daemon: stop ends the process,
// start runs a new one whose pid the status shows, restart does both, and a
// signal, native or not, reaches the daemon itself.
TEST_F(ProcessSandbox, CommandsActOnTheSupervisedDaemon) {
  std::string const web = scan / "web";
  orvtest::supervised sv(web, tb / "web.log");
  auto status_pid = [&] {
    result r = orv({"status", "web"});
    std::smatch m;
    std::regex_match(r.out, m, std::regex(web + ": up \\(pid ([0-9]+)\\) [0-9]+ seconds\n"));
    return m.empty() ? 0 : std::stoi(m[1]);
  };
  std::int32_t const first = sv.recorded_pid();
  EXPECT_EQ(status_pid(), first);

  ASSERT_EQ(orv({"stop", "-w", "web"}).code, 0);
  EXPECT_FALSE(orvtest::alive(first));
  EXPECT_TRUE(sv.logged(first, "got TERM, exiting"));
  EXPECT_TRUE(
      std::regex_match(orv({"status", "web"}).out, std::regex(web + ": down [0-9]+ seconds\n")));

  ASSERT_EQ(orv({"start", "-w", "web"}).code, 0);
  std::int32_t const second = status_pid();
  EXPECT_NE(second, 0);
  EXPECT_NE(second, first);
  EXPECT_TRUE(orvtest::alive(second));

  ASSERT_EQ(orv({"restart", "-w", "web"}).code, 0);
  std::int32_t const third = status_pid();
  EXPECT_NE(third, second);
  EXPECT_FALSE(orvtest::alive(second));
  EXPECT_TRUE(orvtest::alive(third));

  ASSERT_EQ(orv({"kill", "-s", "HUP", "web"}).code, 0);
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(third, "got HUP"); }));
  // Not native: the kill helper signals the pid read from the record.
  result r = orv({"kill", "-s", "VTALRM", "web"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, kVtalrmWarning);
  EXPECT_TRUE(orvtest::eventually([&] { return sv.logged(third, "got VTALRM"); }));

  ASSERT_EQ(orv({"kill", "-w", "-t", "5000", "web"}).code, 0);
  EXPECT_FALSE(orvtest::alive(third));
  EXPECT_TRUE(sv.logged(third, "got TERM, exiting"));
}

}  // namespace
