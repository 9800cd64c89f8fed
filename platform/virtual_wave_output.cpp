#include <algorithm>
#include <cstring>

#include "platform/wave_output.h"

bool VirtualWaveOutput::open(int rate) {
    rate_ = rate;
    open_ = rate > 0;
    return open_;
}

void VirtualWaveOutput::play(const std::int16_t* ring, std::uint32_t frames) {
    ring_ = ring;
    ringFrames_ = frames;
    played_.store(0, std::memory_order_release);
}

void VirtualWaveOutput::close() {
    ring_ = nullptr;
    ringFrames_ = 0;
    open_ = false;
}

void VirtualWaveOutput::advance(std::uint32_t frames, std::int16_t* playedOut) {
    if (playedOut != nullptr) {
        if (ring_ == nullptr || ringFrames_ == 0) {
            std::memset(playedOut, 0, static_cast<std::size_t>(frames) * 2 * sizeof(std::int16_t));
        } else {
            std::uint64_t position = played_.load(std::memory_order_relaxed) % ringFrames_;
            for (std::uint32_t done = 0; done < frames;) {
                const std::uint32_t n = std::min<std::uint64_t>(frames - done, ringFrames_ - position);
                std::memcpy(playedOut + 2 * done, ring_ + 2 * position, static_cast<std::size_t>(n) * 4);
                done += n;
                position = (position + n) % ringFrames_;
            }
        }
    }
    played_.fetch_add(frames, std::memory_order_acq_rel);
}
