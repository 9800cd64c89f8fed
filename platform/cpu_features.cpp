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

bool vectorPaths() { return enabled; }

}  // namespace cpuFeatures
