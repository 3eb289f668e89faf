// The service-manager stand-ins' shared model: the compiled database in its
// real "n"/"db" formats plus the testbed's own side files, name resolution,
// the live state file and the two locks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tbtuvo {

// Side files of a compiled folder, beside "n", "db" and "lock":
//   tb-bundles     one bundle a line: NAME ATOMIC... (contents already flattened)
//   tb-essentials  one essential atomic service a line
inline constexpr char bundles_file[] = "tb-bundles";
inline constexpr char essentials_file[] = "tb-essentials";

struct service {
  std::string name;
  bool longrun = true;
  std::vector<uint32_t> deps;       // indices this service needs up first
  std::vector<std::string> vec[2];  // command services: up and down vectors
};

struct bundle {
  std::string name;
  std::vector<uint32_t> contents;  // atomic indices, in declared order
};

struct database {
  std::vector<service> services;  // longruns first, then command services
  uint32_t nlongrun = 0;
  std::vector<bundle> bundles;
  std::vector<bool> essential;  // by index

  // Index of an atomic service, or -1.
  long index(std::string const& name) const;
  bundle const* find_bundle(std::string const& name) const;
  // Services that need each service (the reverse of deps), by index.
  std::vector<std::vector<uint32_t>> dependents() const;
};

// The "n" and "db" bytes of a database.
std::string sizes_bytes(database const& db);
std::string db_bytes(database const& db);

// Writes n, db, lock and the side files into dir (created if missing).
bool write_compiled(database const& db, std::string const& dir, std::string& err);
// Reads a compiled folder; missing side files mean no bundles, no essentials.
bool read_compiled(std::string const& dir, database& db, std::string& err);

// Names (atomic services or bundles) to atomic indices, in the order given,
// each once. An unknown name sets err and returns false.
bool resolve(database const& db, std::vector<std::string> const& names, std::vector<uint32_t>& out,
             std::string& err);

// Order of a start: the targets and everything they need, dependencies first.
std::vector<uint32_t> start_order(database const& db, std::vector<uint32_t> const& targets);
// Order of a stop: the targets and everything that needs them, dependents first.
std::vector<uint32_t> stop_order(database const& db, std::vector<uint32_t> const& targets);

// The live state: one byte per atomic service, bit 0 up.
bool read_state(std::string const& livedir, size_t n, std::string& state, std::string& err);
// Replaces livedir/state atomically, so a reader never sees half a state.
bool write_state(std::string const& livedir, std::string const& state, std::string& err);

// The live directory's lock (exclusive) then the compiled database's (shared),
// held until exit. blocking: wait, else fail at once when held elsewhere.
bool take_locks(std::string const& livedir, bool blocking, std::string& err);

// Reads a whole file; false when it cannot be opened.
bool slurp(std::string const& path, std::string& out);
bool spew(std::string const& path, std::string const& content, std::string& err);

// Options shared by the tuvo family: short letters, possibly bundled ("-buae"),
// those in with_arg take a value (attached or next word); "-n" takes an optional
// attached digit string. Stops at "--" or the first non-option word.
struct options {
  std::string letters;  // every flag letter seen, in order
  std::vector<std::pair<char, std::string>> values;
  bool no_lock = false;
  size_t rest = 0;                         // index of the first operand
  std::string const* value(char c) const;  // last value given for c
  bool has(char c) const { return letters.find(c) != std::string::npos; }
  // Of several letters, the one seen last (0 when none).
  char last_of(char const* set) const;
};
// false with err on an unknown option or a missing value.
bool parse_options(int argc, char** argv, char const* flags, char const* with_arg, options& o,
                   std::string& err);

}  // namespace tbtuvo
