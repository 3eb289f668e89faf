// Forced into every unit of the musl build (see musl-toolchain.cmake). The
// system's C++ headers were configured for glibc and ask two things of it:
// its version, through __GLIBC_PREREQ (under musl, no glibc version holds),
// and its name for the locale handle, which musl calls locale_t.
#ifndef __GLIBC_PREREQ
#define __GLIBC_PREREQ(maj, min) 0
#endif
#ifdef __cplusplus
struct __locale_struct;
typedef struct __locale_struct* __locale_t;
#endif
