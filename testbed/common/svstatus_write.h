// The supervision status record as the supervision stand-ins read and write
// it: SERVICEDIR/supervise/status, 35 bytes, big-endian.
//   0..11  first stamp, TAI64N (when the state last changed)
//   12..23 second stamp, TAI64N (written equal to the first)
//   24..31 process id, 64-bit; 0 when nothing runs
//   32..33 wait status, 16-bit
//   34     flag byte (bit value 0x02: do not signal the recorded pid)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tbsv {

constexpr std::size_t kStampSize = 12;
constexpr std::size_t kSize = 2 * kStampSize + 8 + 2 + 1;
static_assert(kSize == 35);

// TAI64 label of the Unix epoch (TAI ran 10 s ahead of UTC then).
constexpr std::uint64_t kTaiUnixEpoch = (std::uint64_t{1} << 62) + 10;

// The pid that "up" writes when nothing real runs: PID_MAX_LIMIT on Linux, so
// no live process ever has it and signalling it cannot hit anything.
constexpr std::uint64_t kFakePid = 4194304;

struct record {
  std::uint64_t sec1 = 0;
  std::uint32_t nano1 = 0;
  std::uint64_t sec2 = 0;
  std::uint32_t nano2 = 0;
  std::uint64_t pid = 0;
  std::uint16_t wstat = 0;
  std::uint8_t flags = 0;
};

std::array<unsigned char, kSize> pack(record const& r);
record unpack(unsigned char const* image);

// Sets both stamps to now minus age seconds.
void stamp(record& r, std::uint64_t age = 0);
// Seconds since the first stamp, 0 when the stamp lies in the future.
std::uint64_t age_of(record const& r);
// The process id as a reader takes it: the low 32 bits, signed.
std::int32_t pid32(record const& r);

std::string status_path(std::string const& dir);
// 0 with r filled, or -1 with errno (EPIPE when shorter than kSize).
int read(std::string const& dir, record& r);
// Writes the first n bytes of r's image (n < kSize makes a damaged record),
// creating dir/supervise when needed; replaces the file atomically.
// 0, or -1 with errno.
int write(std::string const& dir, record const& r, std::size_t n = kSize);

// Whether a record's process still runs: a live, non-zombie process with that id.
bool process_alive(std::int32_t pid);

}  // namespace tbsv
