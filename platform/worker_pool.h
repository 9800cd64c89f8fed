#pragma once
// A fixed set of threads that share out the rows of a full-viewport pass.
// The threads are started once; a pass hands them a reference to its job and
// waits until every band is done, so nothing is allocated per pass. With one
// thread no thread is ever started and every job runs on the caller.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return static_cast<int>(workers_.size()) + 1; }

    // Calls job(first, last) on bands that together cover [0, count) exactly
    // once, one band per thread (the caller's included), and returns when all
    // have returned. Jobs must not run bands of their own.
    template <class Job>
    void forBands(int count, const Job& job) {
        run(count, BandJob{&job, [](const void* f, int first, int last) { (*static_cast<const Job*>(f))(first, last); }});
    }

private:
    struct BandJob {
        const void* function;
        void (*call)(const void* function, int first, int last);
    };
    void run(int count, BandJob job);
    void work(int index);

    std::vector<std::jthread> workers_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    BandJob job_{};
    int count_ = 0;
    int bands_ = 0;
    int pending_ = 0;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
};

// The show's pool: set once at start-up (--threads), a single thread until then.
void setWorkerThreads(int threads);
WorkerPool& workerPool();
// The count the show uses when none is asked for: the hardware's.
int defaultWorkerThreads();
