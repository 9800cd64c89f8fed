#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// Every index of every pass is covered exactly once, whatever the count of
// threads and items (fewer items than threads included), over many passes in a
// row so that a worker that misses or repeats a pass is caught.
TEST(WorkerPoolThreads, BandsCoverEachIndexOnceOverManyPasses) {
    for (int threads : {1, 2, 3, 5}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.threadCount(), threads);
        for (int pass = 0; pass < 300; ++pass) {
            const int count = pass % 11 == 0 ? 0 : pass % 13;
            std::vector<int> hits(static_cast<std::size_t>(count), 0);
            std::atomic<int> calls{0};
            pool.forBands(count, [&](int first, int last) {
                ASSERT_LE(0, first);
                ASSERT_LT(first, last);
                ASSERT_LE(last, count);
                for (int i = first; i < last; ++i) ++hits[static_cast<std::size_t>(i)];
                ++calls;
            });
            for (int i = 0; i < count; ++i) ASSERT_EQ(hits[static_cast<std::size_t>(i)], 1) << threads << " " << i;
            if (threads == 1) {
                EXPECT_EQ(calls.load(), count > 0 ? 1 : 0);
            }
        }
    }
}

// Two bands that can only finish together: the second must run on another
// thread while the caller is in the first. The worker is usually found
// watching for the next pass (right after the last) and surely asleep (long
// after it, or always when it is told not to watch).
TEST(WorkerPoolThreads, BandsRunOnSeparateThreadsAtOnce) {
    using std::chrono::milliseconds;
    for (const bool workersWatch : {true, false}) {
        WorkerPool pool(2, workersWatch);
        for (const milliseconds pause : {milliseconds(0), milliseconds(0), milliseconds(20)}) {
            std::this_thread::sleep_for(pause);
            std::atomic<int> inside{0};
            std::atomic<bool> metTheOther[2] = {false, false};
            pool.forBands(2, [&](int first, int) {
                ++inside;
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (inside.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
                metTheOther[first] = inside.load() == 2;
            });
            EXPECT_TRUE(metTheOther[0] && metTheOther[1]) << pause.count() << " ms, watching " << workersWatch;
        }
    }
}

TEST(WorkerPoolThreads, OneThreadRunsEverythingOnTheCaller) {
    WorkerPool single(1);
    std::set<std::thread::id> seen;
    single.forBands(100, [&](int first, int last) {
        EXPECT_EQ(first, 0);
        EXPECT_EQ(last, 100);
        seen.insert(std::this_thread::get_id());
    });
    EXPECT_EQ(seen, std::set<std::thread::id>{std::this_thread::get_id()});
}

// The bands split the rows as evenly as they can: sizes differ by one at most.
TEST(WorkerPoolThreads, BandsAreEven) {
    WorkerPool pool(3);
    std::mutex mutex;
    std::vector<int> sizes;
    pool.forBands(100, [&](int first, int last) {
        const std::lock_guard<std::mutex> lock(mutex);
        sizes.push_back(last - first);
    });
    ASSERT_GE(sizes.size(), 3u);
    const auto [low, high] = std::minmax_element(sizes.begin(), sizes.end());
    EXPECT_LE(*high - *low, 1);
}
