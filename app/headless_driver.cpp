#include "app/headless_driver.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "image2d/frame_buffer.h"
#include "image2d/frame_hash.h"
#include "music/xm_player.h"
#include "platform/png_file.h"
#include "platform/process_clock.h"

namespace {
constexpr int kRate = 44100;
constexpr float kNever = std::numeric_limits<float>::infinity();
}  // namespace

HeadlessDriver::HeadlessDriver(VirtualWaveOutput& device, const Options& options)
    : device_(device),
      fps_(options.fps),
      shots_(options.shots),
      start_(options.start.value_or(-kNever)),
      stop_(options.stop.value_or(kNever)),
      runToEnd_(options.shots.empty()) {
    processClock::setVirtualMs(0);
    if (!options.capturePath.empty()) {
        CaptureSettings settings{options.capturePath, options.fps, options.captureScale, options.captureWidth,
                                 options.captureHeight, options.captureArgs};
        if (options.start) settings.firstTime = *options.start;
        if (options.stop) settings.lastTime = *options.stop;
        ok_ = capture_.start(settings);
    }
}

HeadlessDriver::~HeadlessDriver() { finish(); }

bool HeadlessDriver::finish() {
    if (finished_) return ok_;
    finished_ = true;
    if (runToEnd_) std::fprintf(stderr, "headless: ended at demo time %.3f s\n", lastDemoTime_ / 1000.0);
    if (capture_.running()) ok_ = capture_.finish() && ok_;
    return ok_;
}

void HeadlessDriver::beforeFrame(std::uint64_t k) {
    frame_ = k;
    const std::uint64_t frames = k * kRate / fps_ - (k - 1) * kRate / fps_;
    std::int16_t* out = nullptr;
    if (capture_.running()) {
        played_.resize(frames * 2);  // grows once, to the largest step
        out = played_.data();
    }
    // The output refills a fragment only once the device has moved past it, and
    // after the ring wraps only while the device is in its first two fragments:
    // a device that jumps a whole fragment or more at once (fewer than 50
    // frames per second) would skip that window and starve the writer for a
    // ring. So the device moves at most 20 ms between two services, as a live
    // device polled every 2 ms does.
    constexpr std::uint64_t kMaxStep = kRate / 50;
    for (std::uint64_t done = 0; done < frames;) {
        const std::uint64_t step = std::min(frames - done, kMaxStep);
        device_.advance(static_cast<std::uint32_t>(step), out != nullptr ? out + 2 * done : nullptr);
        xmServiceOutput();
        done += step;
    }
    processClock::setVirtualMs(static_cast<std::int64_t>(k * 1000 / fps_));
}

bool HeadlessDriver::afterFrame(float demoTime) {
    lastDemoTime_ = demoTime;
    // Frames before the start were drawn unseen, and their sound is not heard.
    if (demoTime < start_) return ok_;
    if (!ok_ || !writeShots(demoTime)) {
        ok_ = false;
        return false;
    }
    if (capture_.running() && !capture_.addFrame(frameBuffer, played_.data(), played_.size() / 2, demoTime)) {
        ok_ = false;
        return false;
    }
    if (demoTime >= stop_) return false;
    // Without shots the run goes on to the end of the show.
    if (!runToEnd_) return !shots_.empty();
    if (!capture_.running() && frame_ % (fps_ * 10ull) == 0)
        std::fprintf(stderr, "headless: demo time %.0f s\n", demoTime / 1000.0);
    return true;
}

bool HeadlessDriver::writeShots(float demoTime) {
    for (auto shot = shots_.begin(); shot != shots_.end();) {
        if (demoTime < shot->demoTime) {
            ++shot;
            continue;
        }
        if (shot->path.empty()) {
            std::printf("%g %016llx\n", static_cast<double>(shot->demoTime),
                        static_cast<unsigned long long>(frameHash(frameBuffer)));
            std::fflush(stdout);
        } else if (!writePng(shot->path, frameBuffer, kFrameWidth, kFrameHeight)) {
            std::fprintf(stderr, "qorbt: cannot write %s\n", shot->path.c_str());
            return false;
        }
        shot = shots_.erase(shot);
    }
    return true;
}

