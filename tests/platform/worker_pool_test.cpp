#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
            EXPECT_EQ(calls.load(), std::min(count, threads));
        }
    }
}

TEST(WorkerPoolThreads, BandsRunOnSeparateThreadsAndOneThreadStaysOnTheCaller) {
    std::mutex mutex;
    std::set<std::thread::id> seen;
    auto record = [&](int, int) {
        const std::lock_guard<std::mutex> lock(mutex);
        seen.insert(std::this_thread::get_id());
    };
    WorkerPool single(1);
    single.forBands(100, record);
    EXPECT_EQ(seen, std::set<std::thread::id>{std::this_thread::get_id()});
    seen.clear();
    WorkerPool three(3);
    three.forBands(3, record);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen.count(std::this_thread::get_id()));
}

// The bands split the rows as evenly as they can: sizes differ by one at most.
TEST(WorkerPoolThreads, BandsAreEven) {
    WorkerPool pool(3);
    std::mutex mutex;
    std::vector<int> sizes;
    pool.forBands(10, [&](int first, int last) {
        const std::lock_guard<std::mutex> lock(mutex);
        sizes.push_back(last - first);
    });
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{3, 3, 4}));
}
