#pragma once
// A fixed set of threads that share out the rows of a full-viewport pass.
// The threads are started once; a pass hands them a reference to its job and
// waits until every band is done, so nothing is allocated per pass. With one
// thread no thread is ever started and every job runs on the caller.
//
// A pass is cut into a few bands per thread, and every thread (the caller
// too) takes the next band not yet taken until none is left: on a busy machine
// a worker that is not scheduled in time leaves its share to the others
// instead of holding up the frame. Which thread draws a band never changes
// what is drawn. Between passes, which come a few tens of microseconds apart
// in a frame, the workers watch for the next one for a while before they
// sleep, unless told not to; a caller waiting for the last band always
// watches for a while.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#ifdef __EMSCRIPTEN__
// The browser build has no threads (so the page needs no special server
// headers): its pool never starts one and every pass runs on the caller.
struct WorkerThread {};
#else
using WorkerThread = std::jthread;
#endif

class WorkerPool {
public:
    // With workersWatch false the workers sleep as soon as a pass is done:
    // the least CPU for a show paced to the screen, which has time to spare.
    explicit WorkerPool(int threads, bool workersWatch = true);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return static_cast<int>(workers_.size()) + 1; }

    // Calls job(first, last) on bands that together cover [0, count) exactly
    // once, spread over the threads (the caller's included), and returns when
    // all have returned. Jobs must not run bands of their own.
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
    void work();
    // Runs bands of pass `pass` until none is left to take: the caller's from
    // the top, the workers' from the bottom, so that each thread tends to draw
    // the same rows pass after pass and finds them in its own cache.
    void takeBands(std::uint32_t pass, const BandJob& job, int count, int bands, bool fromBack);

    const bool workersWatch_;
    std::vector<WorkerThread> workers_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    // The pass being run, under mutex_.
    BandJob job_{};
    int count_ = 0;
    int bands_ = 0;
    std::uint32_t pass_ = 0;
    bool stopping_ = false;
    // The pass number (high half), the next band to take from the top (16
    // bits) and one past the next from the bottom (16 bits), so a worker
    // still holding an old pass can never take a band of a new one.
    std::atomic<std::uint64_t> next_{0};
    std::atomic<int> unfinished_{0};
};

// The show's pool: set once at start-up (--threads), a single thread until then.
void setWorkerThreads(int threads, bool workersWatch = true);
WorkerPool& workerPool();
// The count the show uses when none is asked for: the hardware's.
int defaultWorkerThreads();
