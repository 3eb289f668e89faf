// Recording and control shared by every stand-in in the testbed.
#pragma once

#include <string>

// Call first thing in main. When ORV_TB_DIR is set: appends the call's record
// (argument vector, which of the seven configuration variables are present,
// and which of descriptors 0-2 were closed at entry, when any was)
// to $ORV_TB_DIR/log under an exclusive lock, then applies the control files
// $ORV_TB_DIR/<tool>.{stdout,stderr,signal,exit}. Does not return when .signal
// or .exit says to end; returns when the tool should do its own work.
void tb_record(int argc, char** argv);

// Prints "<tool>: fatal: <msg>" on standard error and exits with code; the
// tool's name is the one tb_record saw.
[[noreturn]] void tb_fail(int code, std::string const& msg);

namespace tb {
// One argument-vector element as the log holds it: bytes outside printable
// ASCII, "\\", "[" and "]" as "\\x" and two hex digits.
std::string escape(std::string const& s);
}  // namespace tb

// The last path component of argv[0].
std::string tb_tool_name(char const* argv0);

// $ORV_TB_DIR, or empty when unset.
std::string tb_dir();
