#include "lib/sig.h"

#include <signal.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "lib/fmtscan.h"
#include "lib/gol.h"

constexpr sig_row sig_table[] = {
    {"ABRT", SIGABRT},     {"ALRM", SIGALRM}, {"BUS", SIGBUS},   {"CHLD", SIGCHLD},
    {"CONT", SIGCONT},     {"FPE", SIGFPE},   {"HUP", SIGHUP},   {"ILL", SIGILL},
    {"INT", SIGINT},       {"KILL", SIGKILL}, {"PIPE", SIGPIPE}, {"PROF", SIGPROF},
    {"QUIT", SIGQUIT},     {"SEGV", SIGSEGV}, {"STOP", SIGSTOP}, {"SYS", SIGSYS},
    {"TERM", SIGTERM},     {"TRAP", SIGTRAP}, {"TSTP", SIGTSTP}, {"TTIN", SIGTTIN},
    {"TTOU", SIGTTOU},     {"URG", SIGURG},   {"USR1", SIGUSR1}, {"USR2", SIGUSR2},
    {"VTALRM", SIGVTALRM}, {"XCPU", SIGXCPU}, {"XFSZ", SIGXFSZ},
};
constexpr size_t sig_table_len = sizeof sig_table / sizeof sig_table[0];

namespace {

// strcasecmp's order: bytes compared after folding to lower case.
constexpr int fold(char c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}
constexpr bool caseless_less(char const* a, char const* b) {
  for (; fold(*a) == fold(*b); a++, b++)
    if (!*a) return false;
  return fold(*a) < fold(*b);
}
constexpr bool sorted_for_bsearch() {
  for (size_t k = 1; k < sig_table_len; k++)
    if (!caseless_less(sig_table[k - 1].name, sig_table[k].name)) return false;
  return true;
}
static_assert(sig_table_len == 27);
static_assert(sorted_for_bsearch(), "sig_table must be strictly sorted, ignoring case");

}  // namespace

int sig_number(char const* name) {
  auto const* row = static_cast<sig_row const*>(
      bsearch(name, sig_table, sig_table_len, sizeof sig_table[0], stringkey_bcasecmp));
  return row ? row->number : 0;
}

// A name from the table or a 32-bit decimal number, the whole of s.
static int name_or_number(char const* s, int* sig) {
  if (int const n = sig_number(s)) {
    *sig = n;
    return 1;
  }
  uint32_t u;
  if (!uint320_scan_base(s, &u, 10)) return 0;
  *sig = static_cast<int>(u);
  return 1;
}

size_t sig0_scan(char const* s, int* sig) {
  if (name_or_number(s, sig)) return strlen(s);
  if (!strncasecmp(s, "sig", 3) && name_or_number(s + 3, sig)) return strlen(s);
  return 0;
}
