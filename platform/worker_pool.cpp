#include "platform/worker_pool.h"

#include <algorithm>
#include <memory>

WorkerPool::WorkerPool(int threads) {
    const int extra = std::max(threads, 1) - 1;
    workers_.reserve(static_cast<std::size_t>(extra));
    for (int i = 1; i <= extra; ++i) workers_.emplace_back([this, i] { work(i); });
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
    const int bands = std::min(threadCount(), count);
    if (bands <= 1) {
        if (count > 0) job.call(job.function, 0, count);
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        job_ = job;
        count_ = count;
        bands_ = bands;
        pending_ = bands - 1;
        ++generation_;
    }
    start_.notify_all();
    job.call(job.function, 0, count / bands);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
}

void WorkerPool::work(int index) {
    std::uint64_t seen = 0;
    for (;;) {
        BandJob job;
        int count = 0;
        int bands = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            job = job_;
            count = count_;
            bands = bands_;
        }
        if (index >= bands) continue;
        const int first = static_cast<int>(static_cast<std::int64_t>(count) * index / bands);
        const int last = static_cast<int>(static_cast<std::int64_t>(count) * (index + 1) / bands);
        job.call(job.function, first, last);
        bool lastDone = false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            lastDone = --pending_ == 0;
        }
        if (lastDone) done_.notify_one();
    }
}

namespace {
std::unique_ptr<WorkerPool> showPool;
}  // namespace

void setWorkerThreads(int threads) { showPool = std::make_unique<WorkerPool>(threads); }

WorkerPool& workerPool() {
    if (!showPool) showPool = std::make_unique<WorkerPool>(1);
    return *showPool;
}

int defaultWorkerThreads() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }
