// Supervision status record: exact bytes, stamps, short and long files.
#include "data/orv_svstatus.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "data/tai.h"
#include "support/run.h"

namespace {

std::string hex(char const* h) {
  std::string s;
  for (; h[0] && h[1]; h += 2) {
    while (*h == ' ') ++h;
    s += static_cast<char>(std::stoi(std::string(h, 2), nullptr, 16));
  }
  return s;
}

// stamp1 (2^62 + 1, 5 ns), stamp2, pid 1234, wstat 256, flag byte 0x02.
std::string const record =
    hex("400000000000000100000005"
        "4000000065a1b2c33b9ac9ff"
        "00000000000004d2"
        "0100"
        "02");

TEST(Tai, StampsDecodeBigEndian) {
  uint64_t label = 0;
  tai_unpack(record.data(), &label);
  EXPECT_EQ(label, (uint64_t{1} << 62) + 1);
  tain t{};
  tain_unpack(record.data() + 12, &t);
  EXPECT_EQ(t.sec, 0x4000000065a1b2c3u);
  EXPECT_EQ(t.nano, 999999999u);
}

TEST(OrvSvstatus, RecordDecodesFieldByField) {
  ASSERT_EQ(record.size(), ORV_SVSTATUS_SIZE);
  orv_svstatus_t st{};
  orv_svstatus_unpack(record.data(), &st);
  EXPECT_EQ(st.stamp1.sec, (uint64_t{1} << 62) + 1);
  EXPECT_EQ(st.stamp1.nano, 5u);
  EXPECT_EQ(st.stamp2.sec, 0x4000000065a1b2c3u);
  EXPECT_EQ(st.stamp2.nano, 999999999u);
  EXPECT_EQ(st.pid, 1234);
  EXPECT_EQ(st.wstat, 256);
  EXPECT_EQ(st.flags, ORV_SVSTATUS_FLAG_NOSIGNAL);
}

TEST(OrvSvstatus, PidIsTheLowHalfAndFlagsTheLowNibble) {
  struct {
    char const* pid;
    char const* tail;  // wstat, flag byte
    pid_t want_pid;
    int want_wstat;
    uint8_t want_flags;
    bool pid_ok;  // no process, or a positive 32-bit pid
  } const cases[] = {
      {"0000000000000000", "000000", 0, 0, 0, true},
      {"000000007fffffff", "000000", INT_MAX, 0, 0, true},
      {"00000001000004d2", "ffff0f", 1234, 65535, 0x0f, false},
      {"0000000100000000", "0001f0", 0, 1, 0, false},
      {"8000000000000001", "000000", 1, 0, 0, false},
      {"ffffffff80000001", "8000ff", INT_MIN + 1, 32768, 0x0f, false},
      {"00000000ffffffff", "000005", -1, 0, 0x05, false},
  };
  for (auto const& c : cases) {
    std::string image = record.substr(0, 24) + hex(c.pid) + hex(c.tail);
    ASSERT_EQ(image.size(), ORV_SVSTATUS_SIZE);
    orv_svstatus_t st{};
    orv_svstatus_unpack(image.data(), &st);
    EXPECT_EQ(st.pid, c.want_pid) << c.pid;
    EXPECT_EQ(st.pid_field, std::stoull(c.pid, nullptr, 16)) << c.pid;
    EXPECT_EQ(st.wstat, c.want_wstat) << c.tail;
    EXPECT_EQ(st.flags, c.want_flags) << c.tail;
    EXPECT_EQ(!orv_svstatus_pid_damaged(st), c.pid_ok) << c.pid;
  }
}

// Only a positive 32-bit pid names a process: high bits set are damage even
// when the low half alone would be a fine pid.
TEST(OrvSvstatus, PidOkOnlyForPositive32BitFields) {
  struct {
    char const* pid;
    bool ok;
  } const cases[] = {
      {"0000000000000000", false}, {"00000000000004d2", true},  {"00000001000004d2", false},
      {"000000007fffffff", true},  {"0000000080000000", false}, {"ffffffff000004d2", false},
      {"00000000ffffffff", false},
  };
  for (auto const& c : cases) {
    std::string image = record.substr(0, 24) + hex(c.pid) + hex("000000");
    orv_svstatus_t st{};
    orv_svstatus_unpack(image.data(), &st);
    EXPECT_EQ(orv_svstatus_pid_ok(st), c.ok) << c.pid;
  }
}

TEST(OrvSvstatus, ReadWantsAtLeastTheWholeRecord) {
  orvtest::tempdir svc;
  ASSERT_EQ(mkdir((svc / "supervise").c_str(), 0755), 0);
  std::string const path = svc / "supervise/status";
  struct {
    std::string content;
    int result;
    int err;
  } const files[] = {
      {record, 1, 0},
      {record + "\x7f", 1, 0},
      {record.substr(0, 34), 0, EPIPE},
      {"", 0, EPIPE},
  };
  for (auto const& f : files) {
    orvtest::write_file(path, f.content);
    orv_svstatus_t st{};
    st.pid = -99;
    errno = 0;
    EXPECT_EQ(orv_svstatus_read(svc.path().c_str(), &st), f.result) << f.content.size();
    std::string image(ORV_SVSTATUS_SIZE, '?');
    EXPECT_EQ(orv_svstatus_read_image(svc.path().c_str(), image.data()), f.result);
    EXPECT_EQ(image, f.result ? record : std::string(ORV_SVSTATUS_SIZE, '?'));
    if (f.result) {
      EXPECT_EQ(st.pid, 1234);
      EXPECT_EQ(st.flags, 0x02);
    } else {
      EXPECT_EQ(errno, f.err) << f.content.size();
      EXPECT_EQ(st.pid, -99) << "record touched on failure";
    }
  }
  orv_svstatus_t st{};
  st.pid = -99;
  errno = 0;
  EXPECT_EQ(orv_svstatus_read((svc / "missing").c_str(), &st), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(st.pid, -99);
}

}  // namespace
