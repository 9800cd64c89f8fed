// The voice controls the sequencer calls: start and stop a sample, and set the
// frequency, volume and panning that the mixer turns into steps and gains.
#include "music/mix_voice.h"

#include <algorithm>

#include "music/output.h"
#include "music/xm_types.h"

namespace {
constexpr std::int32_t kLowestFrequency = 100;
constexpr std::int32_t kHighestFrequency = 705600;  // 16 x 44,100

void updateGains(MixVoice* voice) {
    // Volume 0..127 and panning 0..256 keep these in 0..127; the clamp only
    // keeps a stray value from wrapping when stored as a byte.
    const std::int32_t left = (255 - voice->panning) * voice->volume / 255;
    const std::int32_t right = voice->panning * voice->volume / 255;
    voice->gainLeft = static_cast<std::uint8_t>(std::clamp(left, 0, 255));
    voice->gainRight = static_cast<std::uint8_t>(std::clamp(right, 0, 255));
}
}  // namespace

int voiceStart(MixVoice* voice, XmSample* sample) {
    if (voice == nullptr || sample == nullptr) return -1;
    const std::int64_t loopEnd = static_cast<std::int64_t>(sample->loopStart) + sample->loopLength;
    const std::uint32_t start = voice->startOffset >= loopEnd ? 0 : voice->startOffset;
    voice->sample = sample;
    voice->positionInt = static_cast<std::int32_t>(start);
    voice->positionFrac = 0;
    voice->startOffset = 0;
    voice->direction = 1;
    return voice->index;
}

void voiceStop(MixVoice* voice) {
    if (voice == nullptr) return;
    voice->positionInt = 0;
    voice->positionFrac = 0;
    voice->sample = nullptr;
}

void voiceSetFrequency(MixVoice* voice, std::int32_t hertz) {
    if (voice == nullptr) return;
    voice->frequency = hertz;
    const std::int64_t f = std::clamp(hertz, kLowestFrequency, kHighestFrequency);
    const std::int64_t rate = outputRate();
    voice->stepInt = static_cast<std::int32_t>(f / rate);
    voice->stepFrac = static_cast<std::uint32_t>(((static_cast<std::uint64_t>(f % rate)) << 32) / rate);
}

void voiceSetVolume(MixVoice* voice, std::int32_t volume) {
    if (voice == nullptr) return;
    voice->volume = volume;
    updateGains(voice);
}

void voiceSetPanning(MixVoice* voice, std::int32_t panning) {
    if (voice == nullptr) return;
    voice->panning = panning;
    updateGains(voice);
}
