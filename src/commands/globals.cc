#include "commands/orvctl.h"

// The build names the service manager's installed files (ORV_BOOTDB,
// ORV_STORELIST), so that a distribution's layout is compiled in.
#if !defined(ORV_BOOTDB) || !defined(ORV_STORELIST)
#error "ORV_BOOTDB and ORV_STORELIST come from the build (CMakeLists.txt)"
#endif

namespace {

constexpr globals_t defaults = {
    .verbosity = 1,
    .scandir = "/run/service",
    .livedir = "/run/orvctl",
    .repodir = "/var/lib/tuvo/repository",
    .bootdb = ORV_BOOTDB,
    .stmpdir = "/run/orvctl",
    .storelist = ORV_STORELIST,
    .flags = 0,
};

}  // namespace

globals_t const* g = &defaults;
