#include "platform/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {
constexpr int kBandsPerThread = 6;
constexpr int kMaxBands = 0xFFFF;  // a band index fits in 16 bits

// A frame runs its passes a few tens of microseconds apart. Waking a sleeping
// thread costs about as much, so a worker that has finished a pass (unless
// told not to) and a caller waiting for the last band first watch for a
// while before sleeping. Between looks the watcher yields, offering the core
// to whatever else is ready to run on a busy machine or with more threads
// than cores.
constexpr auto kWatch = std::chrono::microseconds(200);

void relax() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

// Polls ready() until it holds or kWatch has passed; says whether it held.
template <class Ready>
bool watch(const Ready& ready) {
    const auto until = std::chrono::steady_clock::now() + kWatch;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready()) return true;
            relax();
        }
        if (std::chrono::steady_clock::now() >= until) return ready();
        std::this_thread::yield();
    }
}
}  // namespace

WorkerPool::WorkerPool([[maybe_unused]] int threads, bool workersWatch) : workersWatch_(workersWatch) {
#ifndef __EMSCRIPTEN__
    const int extra = std::max(threads, 1) - 1;
    workers_.reserve(static_cast<std::size_t>(extra));
    // A thread the system refuses leaves the pool smaller; the frames are the same.
    try {
        for (int i = 0; i < extra; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
    }
#endif
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    workers_.clear();  // joins
}

void WorkerPool::run(int count, BandJob job) {
    const int bands = std::min({threadCount() * kBandsPerThread, count, kMaxBands});
    if (threadCount() == 1 || bands <= 1) {
        if (count > 0) job.call(job.function, 0, count);
        return;
    }
    std::uint32_t pass = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pass = ++pass_;
        job_ = job;
        count_ = count;
        bands_ = bands;
        unfinished_.store(bands, std::memory_order_relaxed);
        next_.store(static_cast<std::uint64_t>(pass) << 32 | static_cast<std::uint64_t>(bands), std::memory_order_release);
    }
    start_.notify_all();
    takeBands(pass, job, count, bands, false);
    const auto finished = [this] { return unfinished_.load(std::memory_order_acquire) == 0; };
    if (watch(finished)) return;
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, finished);
}

void WorkerPool::takeBands(std::uint32_t pass, const BandJob& job, int count, int bands, bool fromBack) {
    std::uint64_t next = next_.load(std::memory_order_acquire);
    for (;;) {
        if (static_cast<std::uint32_t>(next >> 32) != pass) return;
        const auto front = static_cast<int>(next >> 16 & 0xFFFFu);
        const auto back = static_cast<int>(next & 0xFFFFu);
        if (front >= back) return;
        const int band = fromBack ? back - 1 : front;
        if (!next_.compare_exchange_weak(next, fromBack ? next - 1 : next + (1u << 16), std::memory_order_acq_rel)) continue;
        const int first = static_cast<int>(static_cast<std::int64_t>(count) * band / bands);
        const int last = static_cast<int>(static_cast<std::int64_t>(count) * (band + 1) / bands);
        job.call(job.function, first, last);
        if (unfinished_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            const std::lock_guard<std::mutex> lock(mutex_);
            done_.notify_one();
        }
        next = next_.load(std::memory_order_acquire);
    }
}

void WorkerPool::work() {
    std::uint32_t seen = 0;
    for (;;) {
        BandJob job;
        int count = 0;
        int bands = 0;
        if (workersWatch_)
            watch([&] { return static_cast<std::uint32_t>(next_.load(std::memory_order_acquire) >> 32) != seen; });
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || pass_ != seen; });
            if (stopping_) return;
            seen = pass_;
            job = job_;
            count = count_;
            bands = bands_;
        }
        takeBands(seen, job, count, bands, true);
    }
}

namespace {
std::unique_ptr<WorkerPool> showPool;
}  // namespace

void setWorkerThreads(int threads, bool workersWatch) {
    showPool = std::make_unique<WorkerPool>(threads, workersWatch);
}

WorkerPool& workerPool() {
    if (!showPool) showPool = std::make_unique<WorkerPool>(1);
    return *showPool;
}

int defaultWorkerThreads() {
#ifdef __EMSCRIPTEN__
    return 1;
#else
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
#endif
}
