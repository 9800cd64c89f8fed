#include "app/headless_driver.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

#include "image2d/frame_buffer.h"
#include "image2d/frame_hash.h"
#include "music/xm_player.h"
#include "platform/png_file.h"
#include "platform/process_clock.h"

namespace {
constexpr int kRate = 44100;

void writeLittleEndian(std::FILE* f, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

void writeWavHeader(std::FILE* f, std::uint64_t frames) {
    const auto dataBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * 4, 0xFFFFFFF0u));
    std::fwrite("RIFF", 1, 4, f);
    writeLittleEndian(f, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    writeLittleEndian(f, 16, 4);
    writeLittleEndian(f, 1, 2);
    writeLittleEndian(f, 2, 2);
    writeLittleEndian(f, kRate, 4);
    writeLittleEndian(f, kRate * 4, 4);
    writeLittleEndian(f, 4, 2);
    writeLittleEndian(f, 16, 2);
    std::fwrite("data", 1, 4, f);
    writeLittleEndian(f, dataBytes, 4);
}
}  // namespace

HeadlessDriver::HeadlessDriver(VirtualWaveOutput& device, const Options& options)
    : device_(device),
      fps_(options.fps),
      shots_(options.shots),
      capturePath_(options.capturePath),
      runToEnd_(options.shots.empty()) {
    processClock::setVirtualMs(0);
    if (!capturePath_.empty()) ok_ = startCapture();
}

HeadlessDriver::~HeadlessDriver() { finish(); }

bool HeadlessDriver::finish() {
    if (finished_) return ok_;
    finished_ = true;
    if (runToEnd_) std::fprintf(stderr, "headless: ended at demo time %.3f s\n", lastDemoTime_ / 1000.0);
    if (video_ != nullptr) ok_ = finishCapture() && ok_;
    return ok_;
}

void HeadlessDriver::beforeFrame(std::uint64_t k) {
    frame_ = k;
    const std::uint64_t frames = k * kRate / fps_ - (k - 1) * kRate / fps_;
    std::int16_t* out = nullptr;
    if (video_ != nullptr) {
        played_.resize(frames * 2);
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
    if (video_ != nullptr && audio_ != nullptr) {
        std::fwrite(played_.data(), sizeof(std::int16_t), played_.size(), audio_);
        audioFrames_ += frames;
    }
    processClock::setVirtualMs(static_cast<std::int64_t>(k * 1000 / fps_));
}

bool HeadlessDriver::afterFrame(float demoTime) {
    lastDemoTime_ = demoTime;
    if (!ok_ || !writeShots(demoTime)) {
        ok_ = false;
        return false;
    }
    if (video_ != nullptr &&
        std::fwrite(frameBuffer, sizeof(std::uint32_t) * kFrameWidth, kFrameHeight, video_) != kFrameHeight) {
        std::fprintf(stderr, "qorbt: the capture stopped: ffmpeg took no more frames\n");
        ok_ = false;
        return false;
    }
    // Without shots the run goes on to the end of the show.
    if (!runToEnd_) return !shots_.empty();
    if (frame_ % (fps_ * 10ull) == 0) std::fprintf(stderr, "headless: demo time %.0f s\n", demoTime / 1000.0);
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

bool HeadlessDriver::startCapture() {
    // The picture is encoded as it comes (raw frames would take gigabytes);
    // the sound goes to a WAV file and is muxed in at the end.
    videoTemp_ = "/tmp/qorbt-capture-" + std::to_string(getpid()) + ".mkv";
    audioTemp_ = "/tmp/qorbt-capture-" + std::to_string(getpid()) + ".wav";
    const std::string command = "ffmpeg -loglevel error -y -f rawvideo -pixel_format bgr0 -video_size 640x480 "
                                "-framerate " + std::to_string(fps_) + " -i - -c:v libx264 -preset veryfast "
                                "-pix_fmt yuv420p '" + videoTemp_ + "'";
    video_ = popen(command.c_str(), "w");
    audio_ = std::fopen(audioTemp_.c_str(), "wb");
    if (video_ == nullptr || audio_ == nullptr) {
        std::fprintf(stderr, "qorbt: cannot start ffmpeg for %s\n", capturePath_.c_str());
        return false;
    }
    writeWavHeader(audio_, 0);
    return true;
}

bool HeadlessDriver::finishCapture() {
    std::fseek(audio_, 0, SEEK_SET);
    writeWavHeader(audio_, audioFrames_);
    const bool written = pclose(video_) == 0 && std::fclose(audio_) == 0;
    video_ = nullptr;
    audio_ = nullptr;
    bool ok = false;
    if (written) {
        const std::string command = "ffmpeg -loglevel error -y -i '" + videoTemp_ + "' -i '" + audioTemp_ +
                                    "' -c:v copy -c:a aac -shortest '" + capturePath_ + "'";
        ok = std::system(command.c_str()) == 0;
    }
    if (!ok) std::fprintf(stderr, "qorbt: ffmpeg could not write %s\n", capturePath_.c_str());
    std::remove(videoTemp_.c_str());
    std::remove(audioTemp_.c_str());
    return ok;
}
