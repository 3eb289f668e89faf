// Number scanners, unsigned and signed, and the environment merge.
// Input: byte 0 picks the base (2 to 36); the rest, up to its first NUL, is
// the text to scan. For the merge, the rest is split at its first 0xff byte
// into environment strings and a modification block, each split at NULs.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "lib/env.h"
#include "lib/fmtscan.h"

namespace {

// The scanned characters, without leading zeros, in lower case.
std::string digits_of(char const* s, size_t n) {
  std::string d(s, n);
  for (char& c : d)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  size_t z = d.find_first_not_of('0');
  return z == std::string::npos ? "0" : d.substr(z);
}

void check_unsigned(char const* s, unsigned base, uint64_t max) {
  uint64_t u = 0xdeadbeef;
  size_t const n = uint64_scan_base_max(s, &u, base, max);
  FUZZ_CHECK(n <= strlen(s));
  if (!n) {
    FUZZ_CHECK(u == 0xdeadbeef);
    return;
  }
  FUZZ_CHECK(u <= max);
  char out[70];
  size_t const len = uint64_fmt_generic(out, u, base);
  FUZZ_CHECK(len == uint64_fmt_generic(nullptr, u, base));
  FUZZ_CHECK(std::string(out, len) == digits_of(s, n));
  // Longest prefix: the next digit would go past max.
  unsigned const next = fmtscan_num(static_cast<unsigned char>(s[n]), base);
  if (s[n] && next < base) FUZZ_CHECK(u > (max - next) / base);
}

void check_signed(char const* s, unsigned base) {
  int64_t i = 0x5a5a;
  size_t const n = int64_scan_base_max(s, &i, base, INT64_MAX);
  FUZZ_CHECK(n <= strlen(s));
  if (!n) {
    FUZZ_CHECK(i == 0x5a5a);
    return;
  }
  char out[70];
  size_t const len = int64_fmt_generic(out, i, base);
  size_t const sign = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  std::string const want = digits_of(s + sign, n - sign);
  std::string const got(out, len);
  if (i < 0)
    FUZZ_CHECK(s[0] == '-' && got == "-" + want);
  else
    FUZZ_CHECK(got == want);

  int32_t v = 77;
  size_t const m = int320_scan_base(s, &v, base);
  if (m) FUZZ_CHECK(m == strlen(s));
  uint32_t w = 77;
  errno = 0;
  size_t const k = uint320_scan_base(s, &w, base);
  if (k)
    FUZZ_CHECK(k == strlen(s));
  else
    FUZZ_CHECK(errno == EINVAL || errno == ERANGE);
}

void check_merge(uint8_t const* data, size_t size) {
  uint8_t const* cut = static_cast<uint8_t const*>(memchr(data, 0xff, size));
  size_t const envbytes = cut ? static_cast<size_t>(cut - data) : size;
  std::vector<std::string> env;
  for (size_t i = 0; i < envbytes;) {
    size_t e = i;
    while (e < envbytes && data[e]) ++e;
    env.emplace_back(reinterpret_cast<char const*>(data + i), e - i);
    i = e + 1;
  }
  std::vector<char const*> envp;
  for (auto const& e : env) envp.push_back(e.c_str());
  envp.push_back(nullptr);
  FUZZ_CHECK(env_len(envp.data()) == env.size());

  // The block, NUL-terminated as its contract wants, in an exact allocation.
  size_t const rest = cut ? size - envbytes - 1 : 0;
  size_t const modiflen = rest + (rest && cut[rest] != 0 ? 1 : 0);
  char* modifs = static_cast<char*>(malloc(modiflen ? modiflen : 1));
  if (rest) memcpy(modifs, cut + 1, rest);
  if (modiflen > rest) modifs[rest] = 0;
  size_t nmodifs = 0;
  for (size_t i = 0; i < modiflen; ++i) nmodifs += modifs[i] == 0;

  for (size_t vmax : {env.size() + nmodifs + 1, env.size() / 2}) {
    char const** v = static_cast<char const**>(malloc((vmax ? vmax : 1) * sizeof(char*)));
    size_t const c = env_merge(v, vmax, envp.data(), env.size(), modifs, modiflen);
    if (vmax == env.size() + nmodifs + 1) FUZZ_CHECK(c != 0);  // that much always suffices
    if (c) {
      FUZZ_CHECK(c <= vmax && v[c - 1] == nullptr);
      for (size_t i = 0; i + 1 < c; ++i) {
        bool const from_env = [&] {
          for (size_t j = 0; j < env.size(); ++j)
            if (v[i] == envp[j]) return true;
          return false;
        }();
        bool const from_block = v[i] >= modifs && v[i] < modifs + modiflen &&
                                (v[i] == modifs || v[i][-1] == 0) && strchr(v[i], '=');
        FUZZ_CHECK(from_env || from_block);
      }
    }
    free(v);
  }
  free(modifs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  if (size < 1) return 0;
  unsigned const base = 2 + data[0] % 35;
  size_t const len = strnlen(reinterpret_cast<char const*>(data + 1), size - 1);
  char* s = static_cast<char*>(malloc(len + 1));
  memcpy(s, data + 1, len);
  s[len] = 0;
  check_unsigned(s, base, UINT64_MAX);
  check_unsigned(s, base, UINT32_MAX);
  check_unsigned(s, base, 1000);
  check_signed(s, base);
  free(s);
  check_merge(data + 1, size - 1);
  return 0;
}
