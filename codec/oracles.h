// The independent implementations of the format that tests and benchmarks
// compare against: StormLib's raw codec (Debian libstorm-dev, whose headers
// do not declare these two) and libdynamite's decoder (libdynamite-dev).
#pragma once

// libdynamite's header has no C++ linkage block of its own.
extern "C" {
#include <libdynamite.h>

unsigned int implode(unsigned int (*read_buf)(char*, unsigned int*, void*),
                     void (*write_buf)(char*, unsigned int*, void*), char* work_buf, void* param,
                     unsigned int* type, unsigned int* dsize);
unsigned int explode(unsigned int (*read_buf)(char*, unsigned int*, void*),
                     void (*write_buf)(char*, unsigned int*, void*), char* work_buf, void* param);
}
