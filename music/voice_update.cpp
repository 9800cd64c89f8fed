// Channel state turned into the voice's frequency, volume and panning.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "maths/elementary.h"
#include "music/mix_voice.h"
#include "music/sequencer.h"
#include "music/xm_types.h"

namespace {

// 255 / 2^35 as single precision: the product of the five volume factors at
// full scale (64 x 64 x 65536 x 64) becomes 127.
constexpr float kVolumeScale = static_cast<float>(255.0 / 34359738368.0);

// Truncation toward zero, held to the int32 range.
std::int32_t truncated(double value) {
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

// 2^(n / 768) for the linear pitch n. A given n always gives the same bits, so
// each factor is computed on its first use and kept for every later one (a
// tick can ask for dozens). The table is shared by all songs; an n outside it
// is computed each time.
constexpr std::int64_t kLowestPitch = -16384;
constexpr std::int64_t kPitchCount = 32768;
std::atomic<double> pitchFactors[kPitchCount];  // 0 = not computed yet

double linearPitchFactor(std::int32_t n) {
    const std::int64_t index = n - kLowestPitch;
    if (index < 0 || index >= kPitchCount) return maths::exp2(n / 768.0);
    std::atomic<double>& entry = pitchFactors[index];
    double factor = entry.load(std::memory_order_relaxed);
    if (factor == 0.0) {
        factor = maths::exp2(n / 768.0);
        entry.store(factor, std::memory_order_relaxed);
    }
    return factor;
}

}  // namespace

std::int32_t voiceVolumeOf(const XmChannel& channel, std::int32_t globalVolume) {
    const double volume = static_cast<double>(channel.volume + channel.volumeDelta) * channel.envelopeVolume *
                          channel.fadeoutVolume * globalVolume * static_cast<double>(kVolumeScale);
    // A sample's default volume above 64, or an envelope moved before its
    // first point, goes outside 0..127.
    return std::clamp(truncated(volume), 0, 127);
}

std::int32_t voicePanningOf(const XmChannel& channel) {
    const std::int32_t room = (128 - std::abs(channel.panning - 128)) / 32;
    return room * (channel.envelopePanning - 32) + channel.panning;
}

std::int32_t voiceFrequencyOf(const XmChannel& channel, bool linear) {
    if (linear) {
        return truncated(8363.0 * linearPitchFactor(4608 - channel.period + channel.periodDelta));
    }
    const std::int32_t period = channel.period + channel.periodDelta;
    return period != 0 ? 14317056 / period : 0;
}

void updateVoice(XmChannel& channel, const XmSong& song, XmSample& sample) {
    MixVoice* voice = channel.voice;
    if (!voice) return;
    if (channel.period + channel.periodDelta == 0) channel.updateFlags &= ~kUpdateFrequency;
    const std::uint8_t flags = channel.updateFlags;
    if (flags & kUpdateTrigger) channel.voiceIndex = voiceStart(voice, &sample);
    if (flags & kUpdateVolume) voiceSetVolume(voice, voiceVolumeOf(channel, song.globalVolume));
    if (flags & kUpdatePanning) voiceSetPanning(voice, voicePanningOf(channel));
    if (flags & kUpdateFrequency) voiceSetFrequency(voice, voiceFrequencyOf(channel, song.flags & 1));
    if (flags & kUpdateStop) {
        voiceStop(voice);
        voice->startOffset = 0;
    }
}
