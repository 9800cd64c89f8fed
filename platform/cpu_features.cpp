#include "platform/cpu_features.h"

#include <cstdlib>
#include <cstring>

namespace cpuFeatures {
namespace {

bool initialVectorPaths() {
    const char* scalar = std::getenv("QORBT_SCALAR");
    return scalar == nullptr || std::strcmp(scalar, "1") != 0;
}

// Read once, before any thread of the show starts.
const bool enabled = initialVectorPaths();

}  // namespace

// Without SSE2 (the browser build) the kernels have only their scalar paths.
#ifdef __SSE2__
bool vectorPaths() { return enabled; }
#else
bool vectorPaths() { return false; }
#endif

}  // namespace cpuFeatures
