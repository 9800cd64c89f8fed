// The mixer: every voice's sample, linearly interpolated, added into a float
// stereo buffer with short gain ramps; then rounded and clipped to 16 bits.
//
// Positions are 32.32 fixed point. Before each segment the mixer knows how
// many frames remain until the voice reaches its loop end (or, moving
// backward, passes below its loop start), so the inner loops never test for
// the boundary. Distances and frame counts are exact 64-bit values: any
// sample length and any step reach their boundary in the frame they should.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/xm_types.h"

static_assert(std::endian::native == std::endian::little, "a frame pair is loaded as one 32-bit word");

namespace {
constexpr float kGainUnit = 1.0f / 255.0f;
constexpr float kFractionUnit = 1.0f / 2147483648.0f;  // 2^-31
constexpr std::uint8_t kForwardLoop = 2;
constexpr std::uint8_t kPingPongLoop = 4;
constexpr std::int32_t kBackward = 2;
constexpr float kRoundingBias = 12582912.0f;  // 1.5 x 2^23
constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

// Linear interpolation between the frame at position and the next one (at the
// loop end that is the guard frame the loader writes).
[[gnu::always_inline]] inline float interpolate(const std::int16_t* data, std::int64_t position) {
    const std::int32_t i = static_cast<std::int32_t>(position >> 32);
    const float t = static_cast<float>(static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1)) *
                    kFractionUnit;
    return static_cast<float>(data[i]) + t * static_cast<float>(data[i + 1] - data[i]);
}

// Four lanes hold two stereo frames (left, right, left, right). Each lane
// does the same single-precision operations, in the same order, as the
// scalar code for its frame and side, so the sums are the same.
using Floats = float __attribute__((vector_size(16)));
using Ints = std::int32_t __attribute__((vector_size(16)));
using Unsigneds = std::uint32_t __attribute__((vector_size(16)));

// The frame at position and the next one, in one load (low half the first).
[[gnu::always_inline]] inline std::int32_t framePair(const std::int16_t* data, std::int64_t position) {
    std::int32_t pair;
    std::memcpy(&pair, data + (position >> 32), sizeof pair);
    return pair;
}

[[gnu::always_inline]] inline std::int32_t halfFraction(std::int64_t position) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
}

// Steady gains, two frames per turn. step is negative when moving backward.
std::int64_t mixSteady(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                       std::int32_t frames, float gainLeft, float gainRight) {
    const Floats gains = {gainLeft, gainRight, gainLeft, gainRight};
    const Floats unit = {kGainUnit, kGainUnit, kGainUnit, kGainUnit};
    std::int32_t i = 0;
    for (; i + 2 <= frames; i += 2) {
        const std::int64_t next = position + step;
        const std::int32_t pair0 = framePair(data, position), pair1 = framePair(data, next);
        const Ints pairs = {pair0, pair0, pair1, pair1};
        const Ints fractions = {halfFraction(position), halfFraction(position), halfFraction(next), halfFraction(next)};
        position = next + step;
        const Ints first = reinterpret_cast<Ints>(reinterpret_cast<Unsigneds>(pairs) << 16) >> 16;
        const Ints second = pairs >> 16;
        const Floats t = __builtin_convertvector(fractions, Floats) * kFractionUnit;
        const Floats x = __builtin_convertvector(first, Floats) + t * __builtin_convertvector(second - first, Floats);
        Floats sum;
        std::memcpy(&sum, out, sizeof sum);
        sum += x * gains * unit;
        std::memcpy(out, &sum, sizeof sum);
        out += 4;
    }
    if (i < frames) {
        const float x = interpolate(data, position);
        position += step;
        out[0] += x * gainLeft * kGainUnit;
        out[1] += x * gainRight * kGainUnit;
    }
    return position;
}

// Gains moving by a fixed step per frame.
std::int64_t mixRamped(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                       std::int32_t frames, float& a, float& b, float stepA, float stepB) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const float x = interpolate(data, position);
        position += step;
        out[0] += x * a;
        out[1] += x * b;
        a += stepA;
        b += stepB;
        out += 2;
    }
    return position;
}

// A sample the mixer can play without reading outside its data: a loop of at
// least one frame that ends within the sample (the guard frame after it is
// inside the spare frames the loader allocates).
bool playable(const XmSample* sample) {
    if (sample->data == nullptr || sample->length <= 0) return false;
    const std::int64_t loopEnd = static_cast<std::int64_t>(sample->loopStart) + sample->loopLength;
    return sample->loopStart >= 0 && sample->loopLength > 0 && loopEnd <= sample->length;
}

struct Span {
    std::int64_t start;  // loop start, 32.32
    std::int64_t end;    // loop end, 32.32
    std::int64_t length;
};

// Frames until the position reaches the loop end (moving forward) or passes
// below the loop start (moving backward); 0 when it already has.
std::uint64_t framesToBoundary(std::int64_t position, std::int64_t step, bool backward, const Span& loop) {
    if (backward) {
        if (position < loop.start) return 0;
        return step == 0 ? kNever : static_cast<std::uint64_t>(position - loop.start) / step + 1;
    }
    if (position >= loop.end) return 0;
    if (step == 0) return kNever;
    return (static_cast<std::uint64_t>(loop.end - position) + step - 1) / step;
}

// Ping-pong: mirrored at the loop end onto end - 2^-32 - overshoot, and below
// the start onto start - 2^-32 + undershoot, as often as the step demands. As
// one unfolded path of period twice the loop length this needs no repetition
// and cannot run away.
void reflect(std::int64_t& position, std::int32_t& direction, const Span& loop) {
    const std::uint64_t period = 2 * static_cast<std::uint64_t>(loop.length);
    const std::uint64_t base = static_cast<std::uint64_t>(loop.start);
    const std::uint64_t p = static_cast<std::uint64_t>(position);
    std::uint64_t u = direction == kBackward ? base + period - 1 - p : p - base;
    u %= period;
    if (u < static_cast<std::uint64_t>(loop.length)) {
        position = static_cast<std::int64_t>(base + u);
        direction = 1;
    } else {
        position = static_cast<std::int64_t>(base + period - 1 - u);
        direction = kBackward;
    }
}

void storePosition(MixVoice& voice, std::int64_t position) {
    voice.positionInt = static_cast<std::int32_t>(position >> 32);
    voice.positionFrac = static_cast<std::uint32_t>(position);
}

std::uint8_t levelOf(float gain) {
    return static_cast<std::uint8_t>(std::clamp(std::lrint(static_cast<double>(gain) * 255), 0L, 255L));
}

// Sets up the gain ramp for the next segment: continues the running one, or
// starts a new one toward changed gains. Returns the ramp's frames, 0 = none.
std::int32_t prepareRamp(MixVoice& voice) {
    if (voice.rampLeft != 0 && voice.gainLeft == voice.rampTargetLeft && voice.gainRight == voice.rampTargetRight) {
        // Each segment starts from the level rounded to a whole 1/255; with the
        // old steps those roundings add up and overshoot the target (0 to 127
        // over three ticks ends at 128). Re-aimed from the level reached, the
        // ramp still ends on its target in the same frame.
        const double perFrame = static_cast<double>(kGainUnit) / voice.rampLeft;
        voice.rampStepLeft = static_cast<float>((voice.rampTargetLeft - voice.levelLeft) * perFrame);
        voice.rampStepRight = static_cast<float>((voice.rampTargetRight - voice.levelRight) * perFrame);
        return voice.rampLeft;
    }
    std::int32_t ramp = 0;
    voice.rampStepLeft = 0.0f;
    voice.rampStepRight = 0.0f;
    voice.rampTargetLeft = voice.gainLeft;
    voice.rampTargetRight = voice.gainRight;
    if (voice.gainLeft != voice.levelLeft) {
        voice.rampStepLeft = static_cast<float>((voice.gainLeft - voice.levelLeft) * static_cast<double>(kGainUnit) *
                                                inverseRampFrames());
        ramp = rampFrames();
    }
    if (voice.gainRight != voice.levelRight) {
        voice.rampStepRight = static_cast<float>((voice.gainRight - voice.levelRight) *
                                                 static_cast<double>(kGainUnit) * inverseRampFrames());
        ramp = rampFrames();
    }
    voice.rampLeft = ramp;
    return ramp;
}

// Mixes seg frames of the voice from position; returns the new position.
std::int64_t mixSegment(MixVoice& voice, float* out, std::int64_t position, std::int64_t step, std::int32_t seg,
                        bool ramped) {
    const std::int16_t* data = voice.sample->data;
    if (ramped) {
        float a = voice.levelLeft * kGainUnit;
        float b = voice.levelRight * kGainUnit;
        position = mixRamped(out, data, position, step, seg, a, b, voice.rampStepLeft, voice.rampStepRight);
        voice.levelLeft = levelOf(a);
        voice.levelRight = levelOf(b);
        voice.rampLeft -= seg;
        return position;
    }
    // Adding zero leaves every sum as it is, so a silent voice only moves.
    if (voice.gainLeft == 0 && voice.gainRight == 0) return position + step * seg;
    return mixSteady(out, data, position, step, seg, voice.gainLeft, voice.gainRight);
}

void mixVoice(MixVoice& voice, float* out, std::int32_t frames) {
    std::int32_t remaining = frames;
    while (remaining > 0) {
        const XmSample* sample = voice.sample;
        std::int64_t position = (static_cast<std::int64_t>(voice.positionInt) << 32) | voice.positionFrac;
        const bool backward = voice.direction == kBackward;
        if (!playable(sample) || position < 0 || (backward && sample->loopType != kPingPongLoop)) {
            voiceStop(&voice);
            return;
        }
        const Span loop{static_cast<std::int64_t>(sample->loopStart) << 32,
                        (static_cast<std::int64_t>(sample->loopStart) + sample->loopLength) << 32,
                        static_cast<std::int64_t>(sample->loopLength) << 32};
        if (backward && position >= loop.end) {
            voiceStop(&voice);
            return;
        }
        const std::int64_t step = (static_cast<std::int64_t>(voice.stepInt) << 32) | voice.stepFrac;

        std::int32_t seg = remaining;
        const std::uint64_t k = framesToBoundary(position, step, backward, loop);
        const bool boundary = k <= static_cast<std::uint64_t>(seg);
        if (boundary) seg = static_cast<std::int32_t>(k);

        const std::int32_t unlimited = seg;
        const std::int32_t ramp = prepareRamp(voice);
        if (ramp != 0) seg = std::min(seg, ramp);

        position = mixSegment(voice, out, position, backward ? -step : step, seg, ramp != 0);
        out += 2 * seg;
        remaining -= seg;

        if (ramp != 0 && voice.rampLeft == 0 && seg < unlimited) {
            storePosition(voice, position);
            continue;
        }
        if (!boundary) {
            storePosition(voice, position);
            return;
        }
        if (sample->loopType == kForwardLoop) {
            position = loop.start + (position - loop.start) % loop.length;
        } else if (sample->loopType == kPingPongLoop) {
            reflect(position, voice.direction, loop);
        } else {
            voiceStop(&voice);
            return;
        }
        storePosition(voice, position);
    }
}

// Nearest whole number, ties to even, held to -32768..32767; NaN goes low.
// Clipping first gives the same result as after rounding (the limits are
// whole numbers); adding and taking away 1.5 x 2^23 then rounds.
Ints roundAndClip(Floats values) {
    const Floats low = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const Floats high = {32767.0f, 32767.0f, 32767.0f, 32767.0f};
    const Floats bias = {kRoundingBias, kRoundingBias, kRoundingBias, kRoundingBias};
    values = values >= low ? values : low;
    values = values <= high ? values : high;
    values = (values + bias) - bias;
    return __builtin_convertvector(values, Ints);
}
}  // namespace

void mixVoices(float* destination, MixVoice* voiceList, std::int32_t frames) {
    if (frames <= 0 || destination == nullptr) return;
    for (MixVoice* voice = voiceList; voice != nullptr; voice = voice->next) {
        if (voice->sample != nullptr) mixVoice(*voice, destination, frames);
    }
}

void convertToPcm16(std::int16_t* destination, const float* source, std::int32_t frames) {
    if (frames <= 0 || destination == nullptr || source == nullptr) return;
    for (std::int32_t i = 0; i + 2 <= frames; i += 2) {  // two frames per turn
        Floats values;
        std::memcpy(&values, source + 2 * i, sizeof values);
        const Ints whole = roundAndClip(values);
        for (int lane = 0; lane < 4; ++lane) destination[2 * i + lane] = static_cast<std::int16_t>(whole[lane]);
    }
    if (frames % 2 != 0) {
        const std::int32_t last = 2 * (frames - 1);
        const Ints whole = roundAndClip(Floats{source[last], source[last + 1], 0.0f, 0.0f});
        destination[last] = static_cast<std::int16_t>(whole[0]);
        destination[last + 1] = static_cast<std::int16_t>(whole[1]);
    }
}
