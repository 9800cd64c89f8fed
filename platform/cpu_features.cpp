#include "platform/cpu_features.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace cpuFeatures {
namespace {

bool initialVectorPaths() {
    const char* scalar = std::getenv("QORBT_SCALAR");
    return scalar == nullptr || std::strcmp(scalar, "1") != 0;
}

bool cpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

// Relaxed is enough: the flag is set before any kernel runs, tests flip it
// between runs on one thread.
std::atomic<bool> enabled{initialVectorPaths()};
const bool hasAvx2 = cpuHasAvx2();

}  // namespace

bool vectorPaths() { return enabled.load(std::memory_order_relaxed); }
bool avx2() { return hasAvx2 && vectorPaths(); }
void setVectorPaths(bool on) { enabled.store(on, std::memory_order_relaxed); }

}  // namespace cpuFeatures
