#include "app/benchmark.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

#include "app/timeline.h"

namespace {
constexpr int kScenes = 6;
constexpr int kLoadingGroup = kScenes;    // the loading screen's frames
constexpr int kOtherGroup = kScenes + 1;  // frames that show nothing (the last one)
constexpr std::size_t kExpectedFrames = 1 << 15;

double nearestRank(const std::vector<double>& sorted, double percent) {
    const auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string format(const char* pattern, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, pattern, values...);
    return line;
}

std::string statsRow(const FrameStats& s) {
    return format("%-8s %8llu %9.1f %8.3f %8.3f %8.3f %8.3f\n", s.name.c_str(),
                  static_cast<unsigned long long>(s.frames), s.framesPerSecond, s.medianMs, s.p95Ms, s.p99Ms, s.maxMs);
}

std::string statsJson(const FrameStats& s) {
    return format("{\"name\": \"%s\", \"frames\": %llu, \"fps\": %.3f, \"median_ms\": %.4f, \"p95_ms\": %.4f, "
                  "\"p99_ms\": %.4f, \"max_ms\": %.4f}",
                  s.name.c_str(), static_cast<unsigned long long>(s.frames), s.framesPerSecond, s.medianMs, s.p95Ms,
                  s.p99Ms, s.maxMs);
}
}  // namespace

FrameStats summariseFrames(const std::string& name, std::vector<double>& frameMs) {
    FrameStats s;
    s.name = name;
    s.frames = frameMs.size();
    if (frameMs.empty()) return s;
    std::sort(frameMs.begin(), frameMs.end());
    for (const double ms : frameMs) s.seconds += ms / 1000.0;
    s.framesPerSecond = s.seconds > 0.0 ? static_cast<double>(s.frames) / s.seconds : 0.0;
    const std::size_t n = frameMs.size();
    s.medianMs = n % 2 == 1 ? frameMs[n / 2] : (frameMs[n / 2 - 1] + frameMs[n / 2]) / 2.0;
    s.p95Ms = nearestRank(frameMs, 95.0);
    s.p99Ms = nearestRank(frameMs, 99.0);
    s.maxMs = frameMs.back();
    return s;
}

std::string benchmarkTable(const BenchmarkReport& r) {
    std::string text = format("qorbt benchmark: %d thread%s, vector paths %s\n", r.threads, r.threads == 1 ? "" : "s",
                              r.vectorPaths ? "on" : "off");
    text += format("loading %.1f ms\n", r.loadingMs);
    text += format("%-8s %8s %9s %8s %8s %8s %8s\n", "scene", "frames", "fps", "median", "p95", "p99", "max");
    for (const FrameStats& g : r.groups) text += statsRow(g);
    text += statsRow(r.total);
    text += "(frame times in ms)\n";
    text += format("whole run %.3f s wall, %.3f s CPU\n", r.wallSeconds, r.cpuSeconds);
    return text;
}

std::string benchmarkJson(const BenchmarkReport& r) {
    std::string json = format("{\n  \"threads\": %d,\n  \"vector_paths\": %s,\n  \"loading_ms\": %.3f,\n  \"scenes\": [\n",
                              r.threads, r.vectorPaths ? "true" : "false", r.loadingMs);
    for (std::size_t i = 0; i < r.groups.size(); ++i)
        json += "    " + statsJson(r.groups[i]) + (i + 1 < r.groups.size() ? ",\n" : "\n");
    json += "  ],\n  \"total\": " + statsJson(r.total) + ",\n";
    json += format("  \"wall_seconds\": %.4f,\n  \"cpu_seconds\": %.4f\n}\n", r.wallSeconds, r.cpuSeconds);
    return json;
}

BenchmarkDriver::BenchmarkDriver(FrameDriver& inner) : inner_(inner) {
    frameMs_.reserve(kExpectedFrames);
    frameGroup_.reserve(kExpectedFrames);
}

void BenchmarkDriver::beforeFrame(std::uint64_t k) {
    frameStart_ = Clock::now();
    inner_.beforeFrame(k);
}

bool BenchmarkDriver::afterFrame(float demoTime) {
    end_ = Clock::now();
    frameMs_.push_back(std::chrono::duration<float, std::milli>(end_ - frameStart_).count());
    const FrameChoice choice = chooseFrame(demoTime);
    int group = kOtherGroup;
    if (choice.kind == FrameKind::Scene) group = choice.scene;
    if (choice.kind == FrameKind::Loading) group = kLoadingGroup;
    if (group < kScenes && firstScene_ == Clock::time_point{}) firstScene_ = frameStart_;
    frameGroup_.push_back(static_cast<std::int8_t>(group));
    return inner_.afterFrame(demoTime);
}

BenchmarkReport BenchmarkDriver::report(int threads, bool vectorPaths) const {
    BenchmarkReport r;
    r.threads = threads;
    r.vectorPaths = vectorPaths;
    if (firstScene_ != Clock::time_point{})
        r.loadingMs = std::chrono::duration<double, std::milli>(firstScene_ - start_).count();
    std::vector<double> all(frameMs_.begin(), frameMs_.end());
    for (int g = 0; g <= kOtherGroup; ++g) {
        std::vector<double> times;
        for (std::size_t i = 0; i < frameMs_.size(); ++i)
            if (frameGroup_[i] == g) times.push_back(frameMs_[i]);
        const std::string name = g < kScenes ? std::to_string(g + 1) : g == kLoadingGroup ? "loading" : "other";
        if (g < kScenes || !times.empty()) r.groups.push_back(summariseFrames(name, times));
    }
    r.total = summariseFrames("total", all);
    r.wallSeconds = std::chrono::duration<double>(Clock::now() - start_).count();
    r.cpuSeconds = processCpuSeconds();
    return r;
}

bool publishBenchmark(const BenchmarkReport& report, const std::string& jsonPath) {
    std::fputs(benchmarkTable(report).c_str(), stdout);
    std::fflush(stdout);
    if (jsonPath.empty()) return true;
    std::FILE* f = std::fopen(jsonPath.c_str(), "w");
    const std::string json = benchmarkJson(report);
    const bool ok = f != nullptr && std::fputs(json.c_str(), f) >= 0;
    if ((f != nullptr && std::fclose(f) != 0) || !ok) {
        std::fprintf(stderr, "qorbt: cannot write %s\n", jsonPath.c_str());
        return false;
    }
    return true;
}
