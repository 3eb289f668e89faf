#include "commands/orvctl.h"

namespace {

constexpr globals_t defaults = {
    1,
    "/run/service",
    "/run/orvctl",
    "/var/lib/tuvo/repository",
    "/usr/local/etc/tuvo/compiled/current",
    "/run/orvctl",
    "/usr/local/share/orvctl/tuvo/sources:/usr/local/etc/orvctl/tuvo/sources",
    0,
};

}  // namespace

globals_t const* g = &defaults;
