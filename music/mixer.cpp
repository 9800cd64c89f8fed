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

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/xm_types.h"
#include "platform/cpu_features.h"

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

// The plain kernels: one frame per turn. The vector kernels below do the same
// single-precision operations, in the same order, for each frame and side.

// Steady gains. step is negative when moving backward.
std::int64_t mixSteadyScalar(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                             std::int32_t frames, float gainLeft, float gainRight) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const float x = interpolate(data, position);
        position += step;
        out[0] += x * gainLeft * kGainUnit;
        out[1] += x * gainRight * kGainUnit;
        out += 2;
    }
    return position;
}

// Gains moving by a fixed step per frame.
std::int64_t mixRampedScalar(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
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

#ifdef __SSE2__
// Four frames per turn: their samples interpolated in one vector (the
// fractions stepped in 32-bit lanes, which wrap as the low halves of the
// 64-bit positions do), then spread over two stereo vectors.
struct FourFrames {
    __m128i fractions;  // low 32 bits of the next four positions
    __m128i fractionStep;
    std::int64_t position;
    std::int64_t step;

    FourFrames(std::int64_t start, std::int64_t by)
        : fractions(_mm_setr_epi32(static_cast<std::int32_t>(start), static_cast<std::int32_t>(start + by),
                                   static_cast<std::int32_t>(start + 2 * by), static_cast<std::int32_t>(start + 3 * by))),
          fractionStep(_mm_set1_epi32(static_cast<std::int32_t>(4 * by))),
          position(start),
          step(by) {}

    // The interpolated samples of the next four frames; moves past them.
    __m128 next(const std::int16_t* data) {
        std::int32_t pair[4];
        for (std::int32_t& p : pair) {
            std::memcpy(&p, data + (position >> 32), sizeof p);
            position += step;
        }
        const __m128i pairs = _mm_setr_epi32(pair[0], pair[1], pair[2], pair[3]);
        const __m128i first = _mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16);
        const __m128i second = _mm_srai_epi32(pairs, 16);
        const __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(fractions, 1)), _mm_set1_ps(kFractionUnit));
        fractions = _mm_add_epi32(fractions, fractionStep);
        return _mm_add_ps(_mm_cvtepi32_ps(first), _mm_mul_ps(t, _mm_cvtepi32_ps(_mm_sub_epi32(second, first))));
    }
};

// out[0..3] += products, two stereo frames.
[[gnu::always_inline]] inline void addFrames(float* out, __m128 products) {
    _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), products));
}

std::int64_t mixSteadySse2(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                           std::int32_t frames, float gainLeft, float gainRight) {
    const __m128 gains = _mm_setr_ps(gainLeft, gainRight, gainLeft, gainRight);
    const __m128 unit = _mm_set1_ps(kGainUnit);
    FourFrames four(position, step);
    std::int32_t i = 0;
    for (; i + 4 <= frames; i += 4, out += 8) {
        const __m128 x = four.next(data);
        addFrames(out, _mm_mul_ps(_mm_mul_ps(_mm_unpacklo_ps(x, x), gains), unit));
        addFrames(out + 4, _mm_mul_ps(_mm_mul_ps(_mm_unpackhi_ps(x, x), gains), unit));
    }
    return mixSteadyScalar(out, data, four.position, step, frames - i, gainLeft, gainRight);
}

std::int64_t mixRampedSse2(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                           std::int32_t frames, float& a, float& b, float stepA, float stepB) {
    const __m128 steps = _mm_setr_ps(stepA, stepB, stepA, stepB);
    __m128 gains = _mm_setr_ps(a, b, a, b);  // lanes 0 and 1 are the gains of the next frame
    FourFrames four(position, step);
    std::int32_t i = 0;
    for (; i + 4 <= frames; i += 4, out += 8) {
        const __m128 x = four.next(data);
        const __m128 g1 = _mm_add_ps(gains, steps);
        const __m128 g2 = _mm_add_ps(g1, steps);
        const __m128 g3 = _mm_add_ps(g2, steps);
        addFrames(out, _mm_mul_ps(_mm_unpacklo_ps(x, x), _mm_movelh_ps(gains, g1)));
        addFrames(out + 4, _mm_mul_ps(_mm_unpackhi_ps(x, x), _mm_movelh_ps(g2, g3)));
        gains = _mm_add_ps(g3, steps);
    }
    a = _mm_cvtss_f32(gains);
    b = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
    return mixRampedScalar(out, data, four.position, step, frames - i, a, b, stepA, stepB);
}
#endif

using SteadyKernel = std::int64_t (*)(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                                      std::int32_t frames, float gainLeft, float gainRight);
using RampedKernel = std::int64_t (*)(float* out, const std::int16_t* data, std::int64_t position, std::int64_t step,
                                      std::int32_t frames, float& a, float& b, float stepA, float stepB);
struct Kernels {
    SteadyKernel steady;
    RampedKernel ramped;
};
constexpr Kernels kScalarKernels{mixSteadyScalar, mixRampedScalar};
#ifdef __SSE2__
constexpr Kernels kVectorKernels{mixSteadySse2, mixRampedSse2};
#else
constexpr Kernels kVectorKernels = kScalarKernels;
#endif

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
                        bool ramped, const Kernels& kernels) {
    const std::int16_t* data = voice.sample->data;
    if (ramped) {
        float a = voice.levelLeft * kGainUnit;
        float b = voice.levelRight * kGainUnit;
        position = kernels.ramped(out, data, position, step, seg, a, b, voice.rampStepLeft, voice.rampStepRight);
        voice.levelLeft = levelOf(a);
        voice.levelRight = levelOf(b);
        voice.rampLeft -= seg;
        return position;
    }
    // Adding zero leaves every sum as it is, so a silent voice only moves.
    if (voice.gainLeft == 0 && voice.gainRight == 0) return position + step * seg;
    return kernels.steady(out, data, position, step, seg, voice.gainLeft, voice.gainRight);
}

void mixVoice(MixVoice& voice, float* out, std::int32_t frames, const Kernels& kernels) {
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

        position = mixSegment(voice, out, position, backward ? -step : step, seg, ramp != 0, kernels);
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
std::int16_t roundAndClip(float value) {
    value = value >= -32768.0f ? value : -32768.0f;
    value = value <= 32767.0f ? value : 32767.0f;
    value = (value + kRoundingBias) - kRoundingBias;
    return static_cast<std::int16_t>(value);
}

#ifdef __SSE2__
// The same for four values. The pack's saturation changes nothing: they are
// held to the 16-bit range already.
__m128i roundAndClip(__m128 values) {
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    const __m128 bias = _mm_set1_ps(kRoundingBias);
    const __m128 atLeastLow = _mm_cmpge_ps(values, low);  // false for NaN
    values = _mm_or_ps(_mm_and_ps(atLeastLow, values), _mm_andnot_ps(atLeastLow, low));
    const __m128 atMostHigh = _mm_cmple_ps(values, high);
    values = _mm_or_ps(_mm_and_ps(atMostHigh, values), _mm_andnot_ps(atMostHigh, high));
    values = _mm_sub_ps(_mm_add_ps(values, bias), bias);
    return _mm_cvttps_epi32(values);
}
#endif

void mixAll(float* destination, MixVoice* voiceList, std::int32_t frames, const Kernels& kernels) {
    if (frames <= 0 || destination == nullptr) return;
    for (MixVoice* voice = voiceList; voice != nullptr; voice = voice->next) {
        if (voice->sample != nullptr) mixVoice(*voice, destination, frames, kernels);
    }
}
}  // namespace

void mixVoices(float* destination, MixVoice* voiceList, std::int32_t frames) {
    mixAll(destination, voiceList, frames, cpuFeatures::vectorPaths() ? kVectorKernels : kScalarKernels);
}

void mixVoicesScalar(float* destination, MixVoice* voiceList, std::int32_t frames) {
    mixAll(destination, voiceList, frames, kScalarKernels);
}

void convertToPcm16Scalar(std::int16_t* destination, const float* source, std::int32_t frames) {
    if (frames <= 0 || destination == nullptr || source == nullptr) return;
    for (std::int32_t i = 0; i < 2 * frames; ++i) destination[i] = roundAndClip(source[i]);
}

void convertToPcm16(std::int16_t* destination, const float* source, std::int32_t frames) {
    std::int32_t i = 0;
#ifdef __SSE2__
    if (cpuFeatures::vectorPaths() && destination != nullptr && source != nullptr) {
        for (; i + 4 <= frames; i += 4) {  // four frames per turn
            const __m128i low = roundAndClip(_mm_loadu_ps(source + 2 * i));
            const __m128i high = roundAndClip(_mm_loadu_ps(source + 2 * i + 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 2 * i), _mm_packs_epi32(low, high));
        }
    }
#endif
    convertToPcm16Scalar(destination + 2 * i, source + 2 * i, frames - i);
}
