// Option parser, with the tables of live start: -n/--dry-run and
// -t/--timeout=VALUE. The input is split into arguments at each NUL.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "lib/gol.h"

namespace {

gol_bool const rgolb[] = {{1, 0, "dry-run", 'n'}};
gol_arg const rgola[] = {{"timeout", 0, 't'}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  // One exactly sized block: every argument ends with its NUL.
  char* block = static_cast<char*>(malloc(size + 1));
  memcpy(block, data, size);
  block[size] = 0;
  std::vector<char const*> argv;
  for (size_t i = 0; i < size; i += strlen(block + i) + 1) argv.push_back(block + i);
  int const argc = static_cast<int>(argv.size());
  argv.push_back(nullptr);

  uint64_t flags = 0;
  char const* results[1] = {nullptr};
  int detail = 7777;
  int const r = gol(argv.data(), rgolb, 1, rgola, 1, &flags, results, &detail);
  FUZZ_CHECK((flags & ~uint64_t{1}) == 0);
  if (results[0]) {
    // A value points into one of the arguments, never a copy.
    bool inside = false;
    for (int i = 0; i < argc; ++i)
      inside |= results[0] >= argv[i] && results[0] <= argv[i] + strlen(argv[i]);
    FUZZ_CHECK(inside);
  }
  if (r >= 0) {
    FUZZ_CHECK(r <= argc);
    FUZZ_CHECK(detail == 7777);
    // What stops the parse: a non-option, a lone "-", or the word after "--".
    if (r < argc)
      FUZZ_CHECK(argv[r][0] != '-' || !strcmp(argv[r], "-") ||
                 (r > 0 && !strcmp(argv[r - 1], "--")));
  } else {
    int const bad = ~r;
    FUZZ_CHECK(bad >= 0 && bad < argc);
    FUZZ_CHECK(argv[bad][0] == '-');
    if (detail >= 1) FUZZ_CHECK(static_cast<size_t>(detail) < strlen(argv[bad]));
    if (detail <= -3) FUZZ_CHECK(argv[bad][-detail] == '=');
    FUZZ_CHECK(detail != -2);
  }
  free(block);
  return 0;
}
