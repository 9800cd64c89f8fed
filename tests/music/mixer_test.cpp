// The mixer's boundaries, loops, ramps and conversion, on voices and samples
// built by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/xm_types.h"

namespace {
constexpr std::uint8_t kOneShot = 1, kForward = 2, kPingPong = 4;
constexpr std::int64_t kOne = std::int64_t{1} << 32;  // one frame in 32.32

// A sample laid out as the loader leaves it: length + 8 frames, guard frame at the loop end.
struct TestSample {
    std::vector<std::int16_t> frames;
    XmSample sample;

    TestSample(std::int32_t length, std::int32_t loopStart, std::int32_t loopLength, std::uint8_t loopType,
               const std::function<std::int16_t(std::int32_t)>& value) {
        frames.assign(static_cast<std::size_t>(length) + 8, 0);
        for (std::int32_t i = 0; i < length; ++i) frames[i] = value(i);
        const std::int32_t end = loopStart + loopLength;
        frames[end] = loopType == kPingPong ? frames[end - 1] : frames[loopStart];
        sample.data = frames.data();
        sample.length = length;
        sample.loopStart = loopStart;
        sample.loopLength = loopLength;
        sample.loopType = loopType;
        sample.bits = 16;
    }
};

std::int16_t constant1000(std::int32_t) { return 1000; }

// A voice at full volume on the left, gains already reached (no ramp).
MixVoice steadyVoice(XmSample* sample, std::int32_t hertz) {
    MixVoice voice{};
    voiceSetFrequency(&voice, hertz);
    voiceSetVolume(&voice, 127);
    voiceSetPanning(&voice, 0);
    voice.levelLeft = voice.gainLeft;
    voice.levelRight = voice.gainRight;
    voiceStart(&voice, sample);
    return voice;
}

std::int64_t positionOf(const MixVoice& voice) {
    return static_cast<std::int64_t>(voice.positionInt) * kOne + voice.positionFrac;
}

std::int64_t stepOf(const MixVoice& voice) { return static_cast<std::int64_t>(voice.stepInt) * kOne + voice.stepFrac; }

int nonZeroLeftFrames(const std::vector<float>& mix) {
    int count = 0;
    for (std::size_t i = 0; i < mix.size(); i += 2) count += mix[i] != 0.0f;
    return count;
}

// Where a voice on a forward loop must be after travelling distance from position start.
std::int64_t forwardLoopPosition(std::int64_t start, std::int64_t distance, std::int64_t loopStart,
                                 std::int64_t loopEnd) {
    const std::int64_t u = start + distance;
    return u < loopEnd ? u : loopStart + (u - loopStart) % (loopEnd - loopStart);
}
}  // namespace

TEST(Mixer, OneShotStopsAfterItsLastFrame) {
    TestSample s(100, 0, 100, kOneShot, constant1000);

    // Step 0.75: positions 0, 0.75, ..., 99.75 are 134 frames.
    MixVoice voice = steadyVoice(&s.sample, 33075);
    ASSERT_EQ(stepOf(voice), 3 * kOne / 4);
    std::vector<float> mix(2 * 300, 0.0f);
    mixVoices(mix.data(), &voice, 300);
    EXPECT_EQ(nonZeroLeftFrames(mix), 134);
    EXPECT_NE(mix[2 * 133], 0.0f);
    EXPECT_EQ(mix[2 * 134], 0.0f);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.positionInt, 0);

    // The end falling inside the second of two calls, at step 1.
    voice = steadyVoice(&s.sample, 44100);
    std::vector<float> first(2 * 60, 0.0f), second(2 * 60, 0.0f);
    mixVoices(first.data(), &voice, 60);
    EXPECT_EQ(voice.sample, &s.sample);
    mixVoices(second.data(), &voice, 60);
    EXPECT_EQ(nonZeroLeftFrames(first) + nonZeroLeftFrames(second), 100);
    EXPECT_EQ(voice.sample, nullptr);

    // Ending exactly at the end of a call.
    voice = steadyVoice(&s.sample, 44100);
    std::vector<float> exact(2 * 100, 0.0f);
    mixVoices(exact.data(), &voice, 100);
    EXPECT_EQ(nonZeroLeftFrames(exact), 100);
    EXPECT_EQ(voice.sample, nullptr);
}

TEST(Mixer, BoundaryDistanceIsExactForAnyFraction) {
    // 2^-32 short of frame 1 at step 1: frames at 0.99.., 1.99.., 2.99.. all
    // lie before the end of a 3-frame sample. Truncating the distance and the
    // step to 24 fractional bits would count only two.
    TestSample s(3, 0, 3, kOneShot, constant1000);
    MixVoice voice = steadyVoice(&s.sample, 44100);
    voice.positionFrac = 0xFFFFFFFFu;
    std::vector<float> mix(2 * 10, 0.0f);
    mixVoices(mix.data(), &voice, 10);
    EXPECT_EQ(nonZeroLeftFrames(mix), 3);
    EXPECT_EQ(voice.sample, nullptr);

    // One unit short of a forward loop's end: the voice wraps and keeps moving.
    TestSample loop(3, 0, 3, kForward, constant1000);
    voice = steadyVoice(&loop.sample, 44100);
    voice.positionInt = 2;
    voice.positionFrac = 0xFFFFFFFFu;
    const std::int64_t start = positionOf(voice);
    mixVoices(mix.data(), &voice, 10);
    EXPECT_EQ(positionOf(voice), forwardLoopPosition(start, 10 * kOne, 0, 3 * kOne));
}

TEST(Mixer, ForwardLoopOf100From50StaysInside) {
    TestSample s(150, 50, 100, kForward, [](std::int32_t i) { return static_cast<std::int16_t>(i * 200 - 15000); });
    MixVoice voice = steadyVoice(&s.sample, 60417);  // a step with every fractional bit in use
    const std::int64_t step = stepOf(voice);
    std::vector<float> mix(2 * 884, 0.0f);

    std::int64_t travelled = 0;
    for (int n = 0; n < 3000; ++n) {
        mixVoices(mix.data(), &voice, 1);
        travelled += step;
        ASSERT_EQ(positionOf(voice), forwardLoopPosition(0, travelled, 50 * kOne, 150 * kOne)) << "frame " << n;
        if (travelled >= 50 * kOne) {
            ASSERT_TRUE(voice.positionInt >= 50 && voice.positionInt <= 149);
        }
    }
    // In fragment-sized calls the position is the same as frame by frame.
    for (int call = 0; call < 50; ++call) mixVoices(mix.data(), &voice, 884);
    travelled += 50 * 884 * step;
    EXPECT_EQ(positionOf(voice), forwardLoopPosition(0, travelled, 50 * kOne, 150 * kOne));
    EXPECT_EQ(voice.sample, &s.sample);
}

TEST(Mixer, PingPongMirrorsAtBothEnds) {
    // Loop 10..29; the unfolded path has period 40 frames, mirrored at
    // end - 2^-32 on the way back.
    TestSample s(40, 10, 20, kPingPong, [](std::int32_t i) { return static_cast<std::int16_t>(i * 100); });
    MixVoice voice = steadyVoice(&s.sample, 30871);
    const std::int64_t step = stepOf(voice);
    const std::int64_t loopStart = 10 * kOne, loopLength = 20 * kOne;
    std::vector<float> mix(2, 0.0f);
    std::int64_t travelled = 0;
    for (int n = 0; n < 4000; ++n) {
        mixVoices(mix.data(), &voice, 1);
        travelled += step;
        ASSERT_GE(voice.positionInt, travelled >= loopStart ? 10 : 0);
        ASSERT_LE(voice.positionInt, 29);
        if (travelled < loopStart) continue;
        const std::int64_t m = (travelled - loopStart) % (2 * loopLength);
        const bool forward = m < loopLength;
        ASSERT_EQ(voice.direction, forward ? 1 : 2) << "frame " << n;
        ASSERT_EQ(positionOf(voice), forward ? loopStart + m : loopStart + 2 * loopLength - 1 - m) << "frame " << n;
    }
}

TEST(Mixer, PingPongMovingBackOntoTheLoopStartTurnsThere) {
    TestSample s(40, 10, 20, kPingPong, [](std::int32_t i) { return static_cast<std::int16_t>(i * 100); });
    MixVoice voice = steadyVoice(&s.sample, 44100);
    voice.positionInt = 12;
    voice.direction = 2;
    std::vector<float> mix(2 * 5, 0.0f);
    mixVoices(mix.data(), &voice, 5);
    // Frames 12, 11, 10 (the loop start itself), then 11 - 2^-32 and 12 - 2^-32 forward.
    const float gain = 127.0f * (1.0f / 255.0f);
    EXPECT_FLOAT_EQ(mix[0], 1200.0f * gain);
    EXPECT_FLOAT_EQ(mix[2], 1100.0f * gain);
    EXPECT_FLOAT_EQ(mix[4], 1000.0f * gain);
    EXPECT_NEAR(mix[6], 1100.0f * gain, 0.01f);
    EXPECT_NEAR(mix[8], 1200.0f * gain, 0.01f);
    EXPECT_EQ(voice.direction, 1);
    EXPECT_EQ(positionOf(voice), 13 * kOne - 1);

    // Bouncing on a one-frame loop at full speed terminates and stays inside.
    TestSample tiny(4, 2, 1, kPingPong, constant1000);
    voice = steadyVoice(&tiny.sample, 705600);
    std::vector<float> more(2 * 884, 0.0f);
    mixVoices(more.data(), &voice, 884);
    EXPECT_EQ(voice.positionInt, 2);
    EXPECT_EQ(nonZeroLeftFrames(more), 884);
}

TEST(Mixer, GainRampTakes128FramesAcrossTicks) {
    TestSample s(1000, 0, 1000, kForward, constant1000);
    MixVoice voice{};
    voiceSetFrequency(&voice, 44100);
    voiceStart(&voice, &s.sample);
    voiceSetVolume(&voice, 127);
    voiceSetPanning(&voice, 0);
    ASSERT_EQ(voice.gainLeft, 127);
    ASSERT_EQ(rampFrames(), 128);

    // Three ticks of 50 frames.
    std::vector<float> mix(2 * 150, 0.0f);
    mixVoices(mix.data(), &voice, 50);
    EXPECT_EQ(voice.rampLeft, 78);
    EXPECT_EQ(voice.levelLeft, 50);  // 50 / 128 of 127, rounded
    mixVoices(mix.data() + 100, &voice, 50);
    EXPECT_EQ(voice.rampLeft, 28);
    mixVoices(mix.data() + 200, &voice, 50);
    EXPECT_EQ(voice.rampLeft, 0);
    EXPECT_EQ(voice.levelLeft, 127);
    EXPECT_EQ(voice.levelRight, 0);

    const float steady = 1000.0f * 127.0f * (1.0f / 255.0f);
    EXPECT_EQ(mix[0], 0.0f);
    for (int i = 1; i < 128; ++i) {
        ASSERT_GT(mix[2 * i], mix[2 * (i - 1)]) << "frame " << i;
        ASSERT_LT(mix[2 * i], steady) << "frame " << i;
    }
    for (int i = 128; i < 150; ++i) ASSERT_EQ(mix[2 * i], steady) << "frame " << i;
    for (int i = 0; i < 150; ++i) ASSERT_EQ(mix[2 * i + 1], 0.0f);

    // A change in mid-ramp starts a new ramp from the level reached.
    voiceSetVolume(&voice, 0);
    mixVoices(mix.data(), &voice, 32);
    EXPECT_EQ(voice.rampLeft, 96);
    EXPECT_EQ(voice.levelLeft, 95);  // a quarter of the way from 127 to 0
    voiceSetVolume(&voice, 127);
    mixVoices(mix.data(), &voice, 127);
    EXPECT_EQ(voice.rampLeft, 1);
    mixVoices(mix.data(), &voice, 1);
    EXPECT_EQ(voice.levelLeft, 127);
    EXPECT_EQ(voice.rampLeft, 0);
}

TEST(Mixer, InterpolatesBetweenFramesAndRampsFromTheFirstFrame) {
    // Frames 0, 1000, ..., 7000 at step 1/4: positions 0, 0.25, 0.5, ... give
    // 0, 250, 500, 750, 1000, through the two-frame turns and the odd frame.
    TestSample s(8, 0, 8, kOneShot, [](std::int32_t i) { return static_cast<std::int16_t>(1000 * i); });
    MixVoice voice = steadyVoice(&s.sample, 11025);
    ASSERT_EQ(stepOf(voice), kOne / 4);
    std::vector<float> mix(2 * 5, 0.0f);
    mixVoices(mix.data(), &voice, 5);
    const float unit = 1.0f / 255.0f;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(mix[2 * i], 250.0f * i * 127.0f * unit) << "frame " << i;
        EXPECT_EQ(mix[2 * i + 1], 0.0f) << "frame " << i;
    }
    EXPECT_EQ(positionOf(voice), 5 * kOne / 4);

    // Between the last frame and the guard frame (a one-shot's repeats frame 0):
    // 7000 + 0.5 x (0 - 7000).
    voice.positionInt = 7;
    voice.positionFrac = 0x80000000u;
    std::fill(mix.begin(), mix.end(), 0.0f);
    mixVoices(mix.data(), &voice, 1);
    EXPECT_EQ(mix[0], 3500.0f * 127.0f * unit);

    // A ramp from level 0 to gain 127 mixes its first frame at gain 0 and its
    // second at one step, 127 x (1/255) x (1/128) rounded to single precision.
    MixVoice ramped{};
    voiceSetFrequency(&ramped, 11025);
    voiceSetVolume(&ramped, 127);
    voiceSetPanning(&ramped, 0);
    voiceStart(&ramped, &s.sample);
    std::fill(mix.begin(), mix.end(), 0.0f);
    mixVoices(mix.data(), &ramped, 3);
    const float step = static_cast<float>(127 * static_cast<double>(unit) * static_cast<double>(1.0f / 128.0f));
    EXPECT_EQ(ramped.rampStepLeft, step);
    EXPECT_EQ(mix[0], 0.0f);
    EXPECT_EQ(mix[2], 250.0f * step);
    EXPECT_EQ(mix[4], 500.0f * (step + step));
    EXPECT_EQ(ramped.levelLeft, 3);  // 3 x 127 / 128 = 2.98
}

TEST(Mixer, RestartedNoteKeepsItsGains) {
    TestSample s(100, 0, 100, kOneShot, constant1000);
    MixVoice voice = steadyVoice(&s.sample, 44100);
    voice.startOffset = 40;
    EXPECT_EQ(voiceStart(&voice, &s.sample), voice.index);
    EXPECT_EQ(voice.positionInt, 40);
    EXPECT_EQ(voice.startOffset, 0u);
    EXPECT_EQ(voice.levelLeft, 127);
    voice.startOffset = 100;  // at the loop end: from the start
    voiceStart(&voice, &s.sample);
    EXPECT_EQ(voice.positionInt, 0);
    EXPECT_EQ(voiceStart(&voice, nullptr), -1);
    EXPECT_EQ(voiceStart(nullptr, &s.sample), -1);
}

TEST(Mixer, FrequencyIsHeldTo100Through705600Hz) {
    MixVoice voice{};
    voiceSetFrequency(&voice, 1000000);
    EXPECT_EQ(voice.frequency, 1000000);
    EXPECT_EQ(voice.stepInt, 16);
    EXPECT_EQ(voice.stepFrac, 0u);
    voiceSetFrequency(&voice, 705601);
    EXPECT_EQ(voice.stepInt, 16);
    voiceSetFrequency(&voice, 22050);
    EXPECT_EQ(voice.stepInt, 0);
    EXPECT_EQ(voice.stepFrac, 0x80000000u);
    voiceSetFrequency(&voice, 100);
    EXPECT_EQ(voice.stepFrac, 9739154u);  // floor(100 x 2^32 / 44100)
    for (std::int32_t low : {99, 50, 0, -5000}) {
        voiceSetFrequency(&voice, low);
        EXPECT_EQ(voice.frequency, low);
        EXPECT_EQ(voice.stepInt, 0);
        EXPECT_EQ(voice.stepFrac, 9739154u);
    }
}

TEST(Mixer, GainsFollowVolumeAndPanning) {
    MixVoice voice{};
    voiceSetVolume(&voice, 127);
    voiceSetPanning(&voice, 128);
    EXPECT_EQ(voice.gainLeft, 63);  // 127 x 127 / 255
    EXPECT_EQ(voice.gainRight, 63);
    voiceSetPanning(&voice, 256);
    EXPECT_EQ(voice.gainLeft, 0);
    EXPECT_EQ(voice.gainRight, 127);
    voiceSetPanning(&voice, 0);
    EXPECT_EQ(voice.gainLeft, 127);
    EXPECT_EQ(voice.gainRight, 0);
}

TEST(Mixer, ConvertRoundsTiesToEvenAndClips) {
    const std::vector<float> in = {0.5f,     1.5f,     2.5f,     -0.5f,     -1.5f,   -2.5f,    0.49999997f, 3.7f,
                                   32767.4f, 32767.5f, 40000.0f, -32768.4f, -32769.f, -1.0e9f, 1.0e9f,      -3.2f,
                                   32766.5f, std::numeric_limits<float>::quiet_NaN()};
    const std::vector<std::int16_t> expected = {0,     2,     2,      0,      -2,     -2,    0,     4,
                                                32767, 32767, 32767, -32768, -32768, -32768, 32767, -3,
                                                32766, -32768};
    std::vector<std::int16_t> out(in.size(), 99);
    convertToPcm16(out.data(), in.data(), static_cast<std::int32_t>(in.size() / 2));
    EXPECT_EQ(out, expected);
    // An odd number of frames: the last one converted, nothing beyond it written.
    std::vector<std::int16_t> odd(in.size(), 99);
    convertToPcm16(odd.data(), in.data(), 7);
    EXPECT_TRUE(std::equal(odd.begin(), odd.begin() + 14, expected.begin()));
    EXPECT_EQ(odd[14], 99);
    EXPECT_EQ(odd[15], 99);

    std::vector<std::int16_t> untouched(4, 99);
    convertToPcm16(untouched.data(), in.data(), 0);
    convertToPcm16(untouched.data(), nullptr, 2);
    EXPECT_EQ(untouched, std::vector<std::int16_t>(4, 99));
}

TEST(Mixer, EmptySampleStopsWithoutReading) {
    MixVoice voice{};
    voiceSetFrequency(&voice, 44100);
    voiceSetVolume(&voice, 127);
    voiceStart(&voice, &emptySample);
    std::vector<float> mix(2 * 16, 0.0f);
    mixVoices(mix.data(), &voice, 16);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(nonZeroLeftFrames(mix), 0);

    // Loop fields reaching past the data, or a voice never given a frequency,
    // neither read outside the sample nor hang.
    TestSample s(10, 0, 10, kForward, constant1000);
    s.sample.loopLength = 20;
    voice = steadyVoice(&s.sample, 44100);
    mixVoices(mix.data(), &voice, 16);
    EXPECT_EQ(voice.sample, nullptr);

    TestSample t(10, 0, 10, kForward, constant1000);
    voice = MixVoice{};
    voiceSetVolume(&voice, 127);
    voiceStart(&voice, &t.sample);
    mixVoices(mix.data(), &voice, 16);
    EXPECT_EQ(positionOf(voice), 0);
    EXPECT_EQ(voice.sample, &t.sample);
    mixVoices(mix.data(), &voice, 0);
    mixVoices(mix.data(), &voice, -3);
}

TEST(Mixer, SamplesBeyond2To24FramesAtTheLowestFrequency) {
    // Frame counts to the end above 2^32 (about 7.4 x 10^9 here) and distances
    // above 2^24 frames still give exact boundaries.
    const std::int32_t length = 1 << 24;
    TestSample s(length, 0, length, kOneShot, constant1000);
    MixVoice voice = steadyVoice(&s.sample, 100);
    std::vector<float> mix(2 * 884, 0.0f);
    mixVoices(mix.data(), &voice, 884);
    EXPECT_EQ(positionOf(voice), 884 * stepOf(voice));
    EXPECT_EQ(nonZeroLeftFrames(mix), 884);

    voice.startOffset = length - 1;
    voiceStart(&voice, &s.sample);
    std::fill(mix.begin(), mix.end(), 0.0f);
    mixVoices(mix.data(), &voice, 884);
    const std::int64_t step = stepOf(voice);
    EXPECT_EQ(nonZeroLeftFrames(mix), (kOne + step - 1) / step);  // one frame's distance
    EXPECT_EQ(voice.sample, nullptr);
}
