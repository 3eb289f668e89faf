#include "support/bigendian.h"

namespace orvtest {

std::string be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string be32_words(std::vector<uint32_t> const& v) {
  std::string s;
  for (uint32_t x : v) s += be32(x);
  return s;
}

}  // namespace orvtest
