// Test support: every JSON text a command writes goes through a strict
// parser that is not ours (python3's, with NaN and its kin, duplicate keys,
// raw control characters and invalid UTF-8 refused).
#pragma once

#include <string>

namespace orvtest {

// The text parsed and written again in one canonical form: ASCII only
// (\uXXXX escapes), no blanks, keys in their order. A text that does not
// parse gives "invalid: " and the parser's complaint.
std::string json_canonical(std::string const& text);

}  // namespace orvtest
