#include "commands/orvctl.h"

globals_t const globals_defaults = {
    1,
    "/run/service",
    "/run/orvctl",
    "/var/lib/tuvo/repository",
    "/usr/local/etc/tuvo/compiled/current",
    "/run/orvctl",
    "/usr/local/share/orvctl/tuvo/sources:/usr/local/etc/orvctl/tuvo/sources",
    0,
};

globals_t const* g = &globals_defaults;
