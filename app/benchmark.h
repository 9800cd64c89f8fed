#pragma once
// qorbt --benchmark: the whole show headless as fast as it goes, every frame
// timed on the wall clock and filed under the scene it showed; at the end one
// table (and, if asked, the same figures as JSON).
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/demo_app.h"

// Frame-time statistics of a group of frames, in milliseconds.
struct FrameStats {
    std::string name;
    std::uint64_t frames = 0;
    double seconds = 0.0;  // the frames' times added up
    double framesPerSecond = 0.0;
    double medianMs = 0.0;
    double p95Ms = 0.0;  // nearest rank
    double p99Ms = 0.0;
    double maxMs = 0.0;
};

// Sorts frameMs in place and summarises it.
FrameStats summariseFrames(const std::string& name, std::vector<double>& frameMs);

struct BenchmarkReport {
    int threads = 1;
    bool vectorPaths = true;
    double loadingMs = 0.0;  // start of the run (set-up and loading screen) to the first scene frame
    std::vector<FrameStats> groups;  // the scenes in order, then the loading screen's frames and any others
    FrameStats total;
    double wallSeconds = 0.0;  // the whole run
    double cpuSeconds = 0.0;   // of the process, all threads
};

std::string benchmarkTable(const BenchmarkReport& report);
std::string benchmarkJson(const BenchmarkReport& report);

// Times the frames of another driver (the headless one).
class BenchmarkDriver : public FrameDriver {
public:
    explicit BenchmarkDriver(FrameDriver& inner);
    void beforeFrame(std::uint64_t k) override;
    bool afterFrame(float demoTime) override;
    BenchmarkReport report(int threads, bool vectorPaths) const;

private:
    using Clock = std::chrono::steady_clock;
    FrameDriver& inner_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point firstScene_{};
    Clock::time_point frameStart_{};
    Clock::time_point end_{};
    std::vector<float> frameMs_;  // reserved for the whole show up front
    std::vector<std::int8_t> frameGroup_;
};

// Prints the table on stdout and writes the JSON to jsonPath (none when
// empty); false, with a message, when the file cannot be written.
bool publishBenchmark(const BenchmarkReport& report, const std::string& jsonPath);
