#include "platform/process_clock.h"

#include <atomic>
#include <chrono>

namespace {
const std::chrono::steady_clock::time_point startTime = std::chrono::steady_clock::now();
std::atomic<bool> virtualMode{false};
std::atomic<std::int64_t> virtualMs{0};
}  // namespace

namespace processClock {

std::int64_t nowMs() {
    if (virtualMode.load(std::memory_order_relaxed)) return virtualMs.load(std::memory_order_relaxed);
    const auto elapsed = std::chrono::steady_clock::now() - startTime;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

void setVirtualMs(std::int64_t ms) {
    virtualMs.store(ms, std::memory_order_relaxed);
    virtualMode.store(true, std::memory_order_relaxed);
}

void useWallClock() { virtualMode.store(false, std::memory_order_relaxed); }

}  // namespace processClock
