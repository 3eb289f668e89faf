// Compiled database reader: worked examples, each rule broken once,
// truncation, damage, and sizes that claim more than the file can hold.
#include "data/tuvo_db.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/bigendian.h"
#include "support/run.h"

namespace {

// Big-endian byte writer for fixtures.
struct bytes {
  std::string s;
  bytes& u32(uint32_t v) {
    s += orvtest::be32(v);
    return *this;
  }
  bytes& raw(std::string const& t) {
    s += t;
    return *this;
  }
  bytes& byte(unsigned char c) {
    s += static_cast<char>(c);
    return *this;
  }
};

struct sizes_t {
  uint32_t ncommand, nlongrun, strings_size, nvecslots, nedges, nlongrun_refs;
};

std::string sizes_file(sizes_t z) {
  return bytes{}
      .u32(z.ncommand)
      .u32(z.nlongrun)
      .u32(z.strings_size)
      .u32(z.nvecslots)
      .u32(z.nedges)
      .u32(z.nlongrun_refs)
      .s;
}

std::string const header = "tuvo-db: start\n";
std::string const trailer = "\ntuvo-db: end\n";

// One longrun "a" and one command service "b" whose vector 0 is {"x"} and
// vector 1 empty. Every number is a field so that a case can break one.
struct example {
  sizes_t z{1, 1, 6, 3, 0, 0};
  std::string strings{"a\0b\0x\0", 6};
  std::vector<uint32_t> deps, refs;
  uint32_t lr_head[8] = {0, 0, 0, 0, 0, 0, 0, 0};  // name attr p0 p1 dc0 dc1 ds0 ds1
  uint32_t link[3] = {0, 0, 0};
  uint32_t cmd_head[8] = {2, 0, 0, 0, 0, 0, 0, 0};
  uint32_t vec[4] = {1, 4, 0, 0};  // count0 offset0 count1 offset1
  unsigned char sep = 0xfe;
  std::string head = header, tail = trailer;
  bool records = true;
  size_t cut = 0;  // bytes taken off the end

  std::string db() const {
    bytes b;
    b.raw(head).raw(strings);
    for (uint32_t d : deps) b.u32(d);
    for (uint32_t r : refs) b.u32(r);
    if (!records) return b.raw(tail).s;
    for (uint32_t u : lr_head) b.u32(u);
    for (uint32_t u : link) b.u32(u);
    b.byte(0xfe);
    for (uint32_t u : cmd_head) b.u32(u);
    for (uint32_t u : vec) b.u32(u);
    b.byte(sep).raw(tail);
    return b.s.substr(0, b.s.size() - cut);
  }
};

// A valid example whose every field carries a value, to see each decoded.
example rich() {
  example e;
  e.z.nedges = 1;
  e.z.nlongrun_refs = 1;
  e.deps = {1, 0};
  e.refs = {0};
  uint32_t const lr[8] = {0, 0x01020304, 5, 6, 1, 0, 0, 1};
  std::copy(lr, lr + 8, e.lr_head);
  e.link[0] = 7, e.link[1] = 8, e.link[2] = 0xfffffffe;
  uint32_t const cm[8] = {2, 9, 10, 11, 0, 1, 1, 0};
  std::copy(cm, cm + 8, e.cmd_head);
  return e;
}

// Caller-sized storage for tuvo_db_read, as a caller would provide it, each
// array followed by guard elements that the reader must leave alone (more
// than one for the vector slots: a vector one string too long also writes
// its terminator, and the next vectors theirs, past it).
struct storage {
  std::vector<tuvo_service_t> services;
  std::vector<char> strings;
  std::vector<char const*> vecslots;
  std::vector<uint32_t> deps, refs;
  tuvo_db_t db{};
};

char const guard_text[] = "guard";
char const* const guard_slot = guard_text;
uint32_t const guard_word = 0x6a6b6c6d;
size_t const guard_slots = 4;

bool small_enough(tuvo_db_t const& d) {
  uint64_t const total = uint64_t{d.nlongrun} + d.ncommand + d.strings_size + d.nvecslots +
                         2 * uint64_t{d.nedges} + d.nlongrun_refs;
  return total < (1u << 20);
}

void provide(storage& s) {
  tuvo_db_t& d = s.db;
  tuvo_service_t guard_service{};
  guard_service.name = guard_word;
  s.services.assign(uint64_t{d.nlongrun} + d.ncommand + 1, tuvo_service_t{});
  s.services.back() = guard_service;
  s.strings.assign(uint64_t{d.strings_size} + 1, 'g');
  s.vecslots.assign(d.nvecslots, reinterpret_cast<char const*>(1));
  s.vecslots.resize(s.vecslots.size() + guard_slots, guard_slot);
  s.deps.assign(2 * uint64_t{d.nedges} + 1, guard_word);
  s.refs.assign(uint64_t{d.nlongrun_refs} + 1, guard_word);
  d.services = s.services.data();
  d.strings = s.strings.data();
  d.vecslots = s.vecslots.data();
  d.dep_list = s.deps.data();
  d.longrun_refs = s.refs.data();
}

// Nothing written past the sizes the counts give.
void expect_guards_intact(storage const& s) {
  EXPECT_EQ(s.services.back().name, guard_word) << "written past the services";
  EXPECT_EQ(s.strings.back(), 'g') << "written past the string block";
  for (size_t k = 1; k <= guard_slots; k++) {
    EXPECT_EQ(s.vecslots.end()[-static_cast<ptrdiff_t>(k)], guard_slot)
        << "written past the vector slots";
  }
  EXPECT_EQ(s.deps.back(), guard_word) << "written past the dependency list";
  EXPECT_EQ(s.refs.back(), guard_word) << "written past the longrun references";
}

class TuvoDb : public ::testing::Test {
 protected:
  orvtest::tempdir dir;
  int dirfd = -1;
  storage st;

  void SetUp() override {
    dirfd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirfd, 0);
  }
  void TearDown() override { close(dirfd); }

  void put(std::string const& n, std::string const& db) {
    // A fresh file each time: truncating one in place can cost a flush.
    unlink((dir / "n").c_str());
    unlink((dir / "db").c_str());
    orvtest::write_file(dir / "n", n);
    orvtest::write_file(dir / "db", db);
  }

  // Both ways of reading must agree; returns their result.
  int read(std::string const& n, std::string const& db) {
    put(n, db);
    return read_again();
  }
  int read_again() {
    st = storage{};
    if (tuvo_db_read_sizes(dirfd, &st.db) != 1) {
      ADD_FAILURE() << "sizes file rejected";
      return 99;
    }
    tuvo_db_t loaded = st.db;
    int const l = tuvo_db_load(dirfd, &loaded);
    if (l == 1) {
      EXPECT_NE(loaded.services, nullptr);
    } else {
      EXPECT_EQ(loaded.services, nullptr);
      EXPECT_EQ(loaded.strings, nullptr);
    }
    tuvo_db_free(&loaded);
    if (!small_enough(st.db)) return l;
    provide(st);
    int const r = tuvo_db_read(dirfd, &st.db);
    EXPECT_EQ(r, l) << "tuvo_db_read and tuvo_db_load disagree";
    expect_guards_intact(st);
    return r;
  }
};

TEST_F(TuvoDb, WorkedExampleIs129BytesAndDecodes) {
  example e;
  ASSERT_EQ(e.db().size(), 129u);
  ASSERT_EQ(read(sizes_file(e.z), e.db()), 1);
  tuvo_service_t const& b = st.db.services[1];
  EXPECT_STREQ(st.db.strings + st.db.services[0].name, "a");
  EXPECT_STREQ(st.db.strings + b.name, "b");
  EXPECT_EQ(b.command.vec_count[0], 1u);
  EXPECT_EQ(b.command.vec_count[1], 0u);
  EXPECT_EQ(b.command.vec_start[0], 0u);
  EXPECT_EQ(b.command.vec_start[1], 2u);
  EXPECT_EQ(st.db.vecslots[0], st.db.strings + 4);  // points into the block, no copy
  EXPECT_EQ(st.db.vecslots[1], nullptr);
  EXPECT_EQ(st.db.vecslots[2], nullptr);
}

TEST_F(TuvoDb, EveryFieldDecodesInItsPlace) {
  example e = rich();
  ASSERT_EQ(read(sizes_file(e.z), e.db()), 1);
  tuvo_db_t const& d = st.db;
  EXPECT_EQ(d.ncommand, 1u);
  EXPECT_EQ(d.nlongrun, 1u);
  EXPECT_EQ(d.nedges, 1u);
  EXPECT_EQ(d.nlongrun_refs, 1u);
  EXPECT_EQ(d.dep_list[0], 1u);
  EXPECT_EQ(d.dep_list[1], 0u);
  EXPECT_EQ(d.longrun_refs[0], 0u);
  tuvo_service_t const& a = d.services[0];
  EXPECT_EQ(a.attr, 0x01020304u);
  EXPECT_EQ(a.param[0], 5u);
  EXPECT_EQ(a.param[1], 6u);
  EXPECT_EQ(a.dep_count[0], 1u);
  EXPECT_EQ(a.dep_count[1], 0u);
  EXPECT_EQ(a.dep_start[0], 0u);
  EXPECT_EQ(a.dep_start[1], 1u);
  EXPECT_EQ(a.link[0], 7u);
  EXPECT_EQ(a.link[1], 8u);
  EXPECT_EQ(a.link[2], 0xfffffffeu);
  tuvo_service_t const& b = d.services[1];
  EXPECT_EQ(b.attr, 9u);
  EXPECT_EQ(b.param[0], 10u);
  EXPECT_EQ(b.param[1], 11u);
  EXPECT_EQ(b.dep_count[1], 1u);
  EXPECT_EQ(b.dep_start[0], 1u);
}

TEST_F(TuvoDb, TwoVectorsShareTheSlotsInOrder) {
  example e;
  e.strings = std::string("a\0b\0x\0y\0z\0", 10);
  e.z.strings_size = 10;
  e.vec[0] = 2, e.vec[1] = 4;  // {"x", "y"}
  e.vec[2] = 2, e.vec[3] = 6;  // {"y", "z"}
  e.z.nvecslots = 6;
  ASSERT_EQ(read(sizes_file(e.z), e.db()), 1);
  EXPECT_EQ(st.db.services[1].command.vec_start[1], 3u);
  char const* const* v = st.db.vecslots;
  EXPECT_STREQ(v[0], "x");
  EXPECT_STREQ(v[1], "y");
  EXPECT_EQ(v[2], nullptr);
  EXPECT_STREQ(v[3], "y");
  EXPECT_STREQ(v[4], "z");
  EXPECT_EQ(v[5], nullptr);
}

struct db_case {
  char const* what;
  void (*change)(example&);
  int expected;
};

db_case const cases[] = {
    {"no service: header and trailer only",
     [](example& e) {
       e.z = {0, 0, 0, 0, 0, 0};
       e.strings.clear();
       e.records = false;
     },
     1},
    {"a slot left over", [](example& e) { e.z.nvecslots = 4; }, 0},
    {"no room for the last terminator", [](example& e) { e.z.nvecslots = 2; }, 0},
    {"vector longer than the free slots", [](example& e) { e.vec[0] = 4; }, 0},
    {"separator 0xFF", [](example& e) { e.sep = 0xff; }, 0},
    {"file ends before the separator",
     [](example& e) {
       e.tail = "";
       e.cut = 1;
     },
     -1},
    {"run at the end of the list is empty",
     [](example& e) {
       e = rich();
       e.cmd_head[6] = 1;  // dep_start[0] = E, dep_count[0] = 0
     },
     1},
    {"run past the end of the list",
     [](example& e) {
       e = rich();
       e.lr_head[4] = 2;  // dep_count[0]
       e.lr_head[6] = 0;  // dep_start[0] = E - 1
     },
     0},
    {"run start beyond the list", [](example& e) { e.cmd_head[7] = 1; }, 0},
    {"run whose start + count wraps 32 bits",
     [](example& e) {
       e = rich();
       e.lr_head[5] = 0xffffffff;  // dep_count[1]
       e.lr_head[7] = 1;           // dep_start[1]
     },
     0},
    {"dependency entry equal to N",
     [](example& e) {
       e = rich();
       e.deps[0] = 2;
     },
     0},
    {"longrun reference equal to nlongrun",
     [](example& e) {
       e = rich();
       e.refs[0] = 1;
     },
     0},
    {"name at the last byte, a NUL", [](example& e) { e.cmd_head[0] = 5; }, 1},
    {"name at the last byte, not a NUL",
     [](example& e) {
       e.strings += 'z';
       e.z.strings_size = 7;
       e.cmd_head[0] = 6;
     },
     0},
    {"name offset equal to the block size", [](example& e) { e.cmd_head[0] = 6; }, 0},
    {"vector offset outside the block", [](example& e) { e.vec[1] = 6; }, 0},
    {"empty vector's offset is not looked at", [](example& e) { e.vec[3] = 0xffffffff; }, 1},
    {"vector strings run past the block",
     [](example& e) {
       e.vec[0] = 2;
       e.z.nvecslots = 4;
     },
     0},
    {"header with START in capitals", [](example& e) { e.head = "tuvo-db: START\n"; }, 0},
    {"damaged trailer", [](example& e) { e.tail = "\ntuvo-db: END\n"; }, 0},
    {"short trailer", [](example& e) { e.tail = "\ntuvo-db: end"; }, -1},
    {"extra bytes after the trailer", [](example& e) { e.tail = trailer + "garbage"; }, 1},
    {"nlongrun + ncommand past 32 bits",
     [](example& e) {
       e.z.nlongrun = 0x80000000;
       e.z.ncommand = 0x80000000;
     },
     0},
};

TEST_F(TuvoDb, RulesAndEdges) {
  for (db_case const& c : cases) {
    example e;
    c.change(e);
    errno = 0;
    EXPECT_EQ(read(sizes_file(e.z), e.db()), c.expected) << c.what;
    if (c.expected == -1) {
      EXPECT_EQ(errno, EPIPE) << c.what;
    }
  }
}

// Each rule at its exact limit: `at` is the last change the rule accepts,
// `past` the first it refuses. Both start from the valid example.
struct limit_case {
  char const* rule;
  void (*at)(example&);
  void (*past)(example&);
};

// Command service b with vectors of c0 and c1 strings, both from "x" in
// the block "a", "b", "x", "y", "z" (so at most three), and slots slots.
void vectors(example& e, uint32_t c0, uint32_t c1, uint32_t slots) {
  e.strings = std::string("a\0b\0x\0y\0z\0", 10);
  e.z.strings_size = 10;
  e.vec[0] = c0, e.vec[1] = 4, e.vec[2] = c1, e.vec[3] = 4;
  e.z.nvecslots = slots;
}

// Command service b with vectors of c0 and c1 strings, both from the
// first of six empty strings after "a" and "b": a block of 10 bytes.
void empty_strings(example& e, uint32_t c0, uint32_t c1) {
  e.strings = std::string("a\0b\0\0\0\0\0\0\0", 10);
  e.z.strings_size = 10;
  e.vec[0] = c0, e.vec[1] = 4, e.vec[2] = c1, e.vec[3] = 4;
  e.z.nvecslots = c0 + c1 + 2;
}

limit_case const limits[] = {
    {"name offset: the block's last byte, then its size", [](example& e) { e.cmd_head[0] = 5; },
     [](example& e) { e.cmd_head[0] = 6; }},
    {"run 0: start + count = E, then E + 1", [](example& e) { e = rich(); },
     [](example& e) {
       e = rich();
       e.lr_head[4] = 2;  // dep_count[0]
     }},
    {"run 0: empty at E, then at E + 1", [](example& e) { e = rich(); },
     [](example& e) {
       e = rich();
       e.cmd_head[6] = 2;  // dep_start[0], dep_count[0] = 0
     }},
    {"run 1: start + count = E, then E + 1", [](example& e) { e = rich(); },
     [](example& e) {
       e = rich();
       e.cmd_head[7] = 1;  // dep_start[1], dep_count[1] = 1
     }},
    {"run 1: empty at E, then at E + 1", [](example& e) { e = rich(); },
     [](example& e) {
       e = rich();
       e.lr_head[7] = 2;  // dep_start[1], dep_count[1] = 0
     }},
    {"dependency entry: N - 1, then N",
     [](example& e) {
       e = rich();
       e.deps[1] = 1;
     },
     [](example& e) {
       e = rich();
       e.deps[1] = 2;
     }},
    {"longrun reference: nlongrun - 1, then nlongrun", [](example& e) { e = rich(); },
     [](example& e) {
       e = rich();
       e.refs[0] = 1;
     }},
    {"vector offset: the block's last byte, then its size",
     [](example& e) {
       vectors(e, 1, 0, 3);
       e.vec[1] = 9;  // the empty string before the end
     },
     [](example& e) {
       vectors(e, 1, 0, 3);
       e.vec[1] = 10;
     }},
    {"vector strings: the last ends with the block, then one more",
     [](example& e) { vectors(e, 3, 0, 5); }, [](example& e) { vectors(e, 4, 0, 6); }},
    {"slots: vector 1 is empty and its terminator takes the last slot, then none is left",
     [](example& e) { vectors(e, 2, 0, 4); }, [](example& e) { vectors(e, 2, 0, 3); }},
    {"slots: vector 0 has its terminator's slot, then not", [](example& e) { vectors(e, 1, 0, 3); },
     [](example& e) { vectors(e, 2, 0, 2); }},
    {"slots: vector 0's strings fit, then one is past the end",
     [](example& e) { vectors(e, 1, 0, 3); }, [](example& e) { vectors(e, 2, 0, 1); }},
    {"slots: vector 1 needs exactly those left, then one more",
     [](example& e) { vectors(e, 0, 2, 4); }, [](example& e) { vectors(e, 0, 2, 3); }},
    {"slots: vector 1's strings fit, then one is past the end",
     [](example& e) { vectors(e, 0, 2, 4); }, [](example& e) { vectors(e, 0, 2, 2); }},
    {"slots: both vectors need exactly those there are, then one more",
     [](example& e) { vectors(e, 2, 3, 7); }, [](example& e) { vectors(e, 2, 3, 6); }},
    {"slots: none left over, then one", [](example& e) { vectors(e, 2, 3, 7); },
     [](example& e) { vectors(e, 2, 3, 8); }},
    {"vectors sharing strings: as many in all as the block has bytes, then one more",
     [](example& e) { empty_strings(e, 6, 4); }, [](example& e) { empty_strings(e, 6, 5); }},
};

TEST_F(TuvoDb, EachRuleAtItsLimitFromBothSides) {
  for (limit_case const& c : limits) {
    example at, past;
    c.at(at);
    c.past(past);
    EXPECT_EQ(read(sizes_file(at.z), at.db()), 1) << c.rule << " (at the limit)";
    EXPECT_EQ(read(sizes_file(past.z), past.db()), 0) << c.rule << " (past it)";
  }
}

TEST_F(TuvoDb, TenByteFileAndMissingFileAreReadFailures) {
  example e;
  errno = 0;
  EXPECT_EQ(read(sizes_file(e.z), e.db().substr(0, 10)), -1);
  EXPECT_EQ(errno, EPIPE);
  unlink((dir / "db").c_str());
  errno = 0;
  EXPECT_EQ(read_again(), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(TuvoDb, TruncatedDatabaseIsRejectedAtEveryOffset) {
  example e = rich();
  std::string const db = e.db();
  for (size_t len = 0; len < db.size(); ++len) {
    errno = 0;
    EXPECT_EQ(read(sizes_file(e.z), db.substr(0, len)), -1) << "cut at " << len;
    EXPECT_EQ(errno, EPIPE) << "cut at " << len;
  }
}

TEST_F(TuvoDb, DamagedByteNeverCrashes) {
  example e = rich();
  std::string const db = e.db();
  size_t const trailer_at = db.size() - trailer.size();
  for (size_t i = 0; i < db.size(); ++i) {
    for (unsigned char mask : {0x01, 0x80, 0xff}) {
      std::string d = db;
      d[i] = static_cast<char>(d[i] ^ mask);
      int const r = read(sizes_file(e.z), d);
      EXPECT_TRUE(r == 1 || r == 0 || r == -1) << i;
      if (i < header.size() || i >= trailer_at) {
        EXPECT_EQ(r, 0) << "byte " << i;
      }
    }
  }
}

// Claims far beyond the file: no storage of that size is taken, the answer
// comes at once and is the one the single pass gives for this file.
TEST_F(TuvoDb, HugeClaimsNextToASmallFileFailFast) {
  example e;
  std::string const full = e.db();
  // Ten thousand command services, all named "a", each with two vectors
  // over the same 200000 empty strings: every rule but the bound on shared
  // strings holds, and 700 kB name four billion slots, 32 GB of pointers.
  struct {
    sizes_t z;
    std::string db;
  } overlap;
  {
    constexpr uint32_t kServices = 10000, kStrings = 200000;
    std::string const block = std::string("a\0", 2) + std::string(kStrings, '\0');
    overlap.z = {kServices, 0, static_cast<uint32_t>(block.size()), kServices * 2 * (kStrings + 1),
                 0,         0};
    bytes b;
    b.raw(header).raw(block);
    for (uint32_t i = 0; i < kServices; ++i) {
      for (int k = 0; k < 8; ++k) b.u32(0);  // name "a", no dependencies
      b.u32(kStrings).u32(2).u32(kStrings).u32(2).byte(0xfe);
    }
    overlap.db = b.raw(trailer).s;
  }
  struct {
    char const* what;
    sizes_t z;
    std::string db;
    int expected;
  } const claims[] = {
      {"four billion longruns, file ends after the strings",
       {0, 4000000000u, 6, 0, 0, 0},
       header + e.strings,
       -1},
      {"four billion longruns next to the example", {0, 4000000000u, 6, 3, 0, 0}, full, 0},
      {"four billion commands, file ends after a record",
       {4000000000u, 1, 6, 3, 0, 0},
       full.substr(0, full.size() - trailer.size()),
       -1},
      {"four billion vector slots", {1, 1, 6, 4000000000u, 0, 0}, full, 0},
      {"a string block of four gigabytes", {1, 1, 4000000000u, 3, 0, 0}, full, -1},
      {"four billion edges", {1, 1, 6, 3, 4000000000u, 0}, header + e.strings, -1},
      {"overlapping vectors: 700 kB naming 32 GB of slots", overlap.z, overlap.db, 0},
  };
  for (auto const& c : claims) {
    put(sizes_file(c.z), c.db);
    st = storage{};
    ASSERT_EQ(tuvo_db_read_sizes(dirfd, &st.db), 1);
    auto const t0 = std::chrono::steady_clock::now();
    errno = 0;
    EXPECT_EQ(tuvo_db_load(dirfd, &st.db), c.expected) << c.what;
    if (c.expected == -1) {
      EXPECT_EQ(errno, EPIPE) << c.what;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500)) << c.what;
    EXPECT_EQ(st.db.services, nullptr);
    EXPECT_EQ(st.db.vecslots, nullptr);
  }
}

TEST_F(TuvoDb, SizesFileMustBeExactly24Bytes) {
  std::string const six = sizes_file({1, 2, 3, 4, 5, 6});
  struct {
    std::string content;
    int expected;
    int err;
  } const files[] = {
      {six.substr(0, 23), 0, EPIPE},
      {six, 1, 0},
      {six + "x", 0, EINVAL},
      {"", 0, EPIPE},
  };
  for (auto const& f : files) {
    orvtest::write_file(dir / "n", f.content);
    tuvo_db_t d{};
    errno = 0;
    EXPECT_EQ(tuvo_db_read_sizes(dirfd, &d), f.expected) << f.content.size();
    if (f.expected == 1) {
      uint32_t const got[] = {d.ncommand,  d.nlongrun, d.strings_size,
                              d.nvecslots, d.nedges,   d.nlongrun_refs};
      for (uint32_t k = 0; k < 6; ++k) EXPECT_EQ(got[k], k + 1);
    } else {
      EXPECT_EQ(errno, f.err) << f.content.size();
    }
  }
  unlink((dir / "n").c_str());
  tuvo_db_t d{};
  EXPECT_EQ(tuvo_db_read_sizes(dirfd, &d), 0);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(TuvoDb, ReadersLeaveNoDescriptorOpen) {
  example e;
  put(sizes_file(e.z), e.db());
  int const before = dup(0);
  close(before);
  ASSERT_EQ(read_again(), 1);
  put(sizes_file(e.z), e.db().substr(0, 50));
  ASSERT_EQ(read_again(), -1);
  int const after = dup(0);
  close(after);
  EXPECT_EQ(before, after);
}

}  // namespace
