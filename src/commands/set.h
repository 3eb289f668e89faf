// The set group: the repository's working set and its saved copies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lib/gol.h"

void set(char const* const* argv);

// The options of set list and set status: --with-essentials (the default)
// and --without-essentials.
inline constexpr uint64_t SET_WITHOUT_ESSENTIALS = 1;
inline constexpr gol_bool set_essentials_options[] = {
    {0, SET_WITHOUT_ESSENTIALS, "with-essentials", 'E'},
    {SET_WITHOUT_ESSENTIALS, 0, "without-essentials", 'e'},
};

// The options of set check and repository check, which are the same, as
// both groups' help texts list them.
#define ORV_CHECK_OPTIONS_HELP                                                          \
  "  -E\t\t--no-force-essential\t\tdo not allow manual changes to essential services "  \
  "(default)\n"                                                                         \
  "  -e\t\t--force-essential\t\tallow manual changes to essential services\n"           \
  "  -F\t\t--fix\t\t\t\ttry to fix inconsistencies automatically\n"                     \
  "  -d\t\t--down\t\t\t\tfix by disabling or masking services if necessary (default)\n" \
  "  -u\t\t--up\t\t\t\tfix by enabling services if necessary\n"

void set_check(char const* const* argv);
void set_commit(char const* const* argv);
void set_delete(char const* const* argv);
void set_disable(char const* const* argv);
void set_enable(char const* const* argv);
void set_help(char const* const* argv);
void set_list(char const* const* argv);
void set_load(char const* const* argv);
void set_make_essential(char const* const* argv);
void set_mask(char const* const* argv);
void set_save(char const* const* argv);
void set_status(char const* const* argv);
void set_unmask(char const* const* argv);
// "tuvo-set-fix" with set check's options, on set (null: every set);
// shared with repository check.
[[noreturn]] void exec_set_fix(char const* const* argv, char const* set);
// Name checks of the set group (set.cc). A set name is valid when it does
// not begin with ".", has no "/" and no newline, and is not "current";
// service names follow the same rules except the last. 1 when all of the
// count names are valid (so also when count is 0).
bool set_check_set_name(char const* name);
int set_check_service_names(char const* const* names, size_t count);
