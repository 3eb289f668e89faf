// Test support: fixture bytes for the service manager's files, whose
// numbers are unsigned 32-bit integers, most significant byte first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvtest {

// v as 4 bytes, most significant first.
std::string be32(uint32_t v);
// Each of v as be32, one after the other.
std::string be32_words(std::vector<uint32_t> const& v);

}  // namespace orvtest
