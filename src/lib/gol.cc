#include "lib/gol.h"

#include <strings.h>

#include <climits>
#include <cstring>

#include "lib/exitcode.h"
#include "lib/strerr.h"

namespace {

// Positions inside one argument are reported as int; arguments are bounded
// by the system's argument size, far below INT_MAX.
int position(size_t pos) {
  return pos > INT_MAX ? INT_MAX : static_cast<int>(pos);
}

gol_arg const* arg_by_name(gol_arg const* args, unsigned nargs, char const* name, size_t len) {
  for (unsigned k = 0; k < nargs; k++)
    if (strlen(args[k].name) == len && !memcmp(args[k].name, name, len)) return args + k;
  return nullptr;
}

gol_arg const* arg_by_letter(gol_arg const* args, unsigned nargs, char c) {
  for (unsigned k = 0; k < nargs; k++)
    if (args[k].letter == c) return args + k;
  return nullptr;
}

gol_bool const* bool_by_name(gol_bool const* bools, unsigned nbools, char const* name) {
  for (unsigned k = 0; k < nbools; k++)
    if (!strcmp(bools[k].name, name)) return bools + k;
  return nullptr;
}

gol_bool const* bool_by_letter(gol_bool const* bools, unsigned nbools, char c) {
  for (unsigned k = 0; k < nbools; k++)
    if (bools[k].letter == c) return bools + k;
  return nullptr;
}

void apply(gol_bool const* row, uint64_t* flagword) {
  *flagword = (*flagword & ~row->clear_bits) | row->set_bits;
}

}  // namespace

int gol(char const* const* argv, gol_bool const* bools, unsigned nbools, gol_arg const* args,
        unsigned nargs, uint64_t* flagword, char const** results, int* error_detail) {
  int i = 0;
  for (; argv[i]; i++) {
    char const* a = argv[i];
    if (a[0] != '-' || !a[1]) return i;
    if (a[1] == '-') {
      if (!a[2]) return i + 1;
      char const* name = a + 2;
      char const* eq = strchr(name, '=');
      if (eq) {
        if (eq == name) {
          *error_detail = 0;
          return ~i;
        }
        gol_arg const* row = arg_by_name(args, nargs, name, static_cast<size_t>(eq - name));
        if (!row) {
          *error_detail = -position(static_cast<size_t>(eq - a));
          return ~i;
        }
        results[row->slot] = eq + 1;
      } else {
        gol_bool const* row = bool_by_name(bools, nbools, name);
        if (!row) {
          *error_detail = -1;
          return ~i;
        }
        apply(row, flagword);
      }
      continue;
    }
    for (size_t j = 1; a[j]; j++) {
      if (gol_arg const* row = arg_by_letter(args, nargs, a[j])) {
        if (a[j + 1]) {
          results[row->slot] = a + j + 1;
        } else if (argv[i + 1] && strcmp(argv[i + 1], "--") != 0) {
          results[row->slot] = argv[++i];
        }
        break;
      }
      gol_bool const* row = bool_by_letter(bools, nbools, a[j]);
      if (!row) {
        *error_detail = position(j);
        return ~i;
      }
      apply(row, flagword);
    }
  }
  return i;
}

unsigned gol_argv(char const* const* argv, gol_bool const* bools, unsigned nbools,
                  gol_arg const* args, unsigned nargs, uint64_t* flagword, char const** results) {
  int detail = 0;
  int r = gol(argv, bools, nbools, args, nargs, flagword, results, &detail);
  if (r >= 0) return static_cast<unsigned>(r);
  char const* a = argv[~r];
  if (detail > 0) {
    char letter[2] = {a[detail], 0};
    strerr_die(EXIT_USAGE, {"unrecognized ", "short ", "option: ", letter});
  }
  if (detail == -1) strerr_die(EXIT_USAGE, {"unrecognized ", "boolean ", "option: ", a});
  if (detail == 0) strerr_die(EXIT_USAGE, {"invalid ", "option: ", a});
  strerr_die(EXIT_USAGE, {"unrecognized ", "option with argument: ", a});
}

unsigned gol_main(int argc, char const* const* argv, gol_bool const* bools, unsigned nbools,
                  gol_arg const* args, unsigned nargs, uint64_t* flagword, char const** results) {
  if (argc < 1 || argv[argc]) strerr_die(EXIT_BAD_ARGV, {"unable to ", "gol: invalid argc/argv"});
  if (argc == 1) return 1;
  return 1 + gol_argv(argv + 1, bools, nbools, args, nargs, flagword, results);
}

int stringkey_bcmp(void const* key, void const* row) {
  return strcmp(static_cast<char const*>(key), *static_cast<char const* const*>(row));
}

int stringkey_bcasecmp(void const* key, void const* row) {
  return strcasecmp(static_cast<char const*>(key), *static_cast<char const* const*>(row));
}
