// The mixer's SSE2 paths against its plain scalar ones: the same bits in the
// mix, the same voice state and the same 16-bit output, on random voices whose
// loop ends, ping-pong turns and gain ramps fall anywhere inside a block.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "music/mix_voice.h"
#include "music/xm_types.h"
#include "platform/cpu_features.h"

namespace {
constexpr int kVoices = 4;

struct RandomSample {
    std::vector<std::int16_t> frames;
    XmSample sample{};
};

// Lengths of 1, 2 and odd counts as well as longer ones; loops anywhere
// inside; the guard frame as the loader writes it.
void makeSample(std::mt19937& random, RandomSample& s) {
    static constexpr std::int32_t kShort[] = {1, 2, 3, 5, 7};
    const std::int32_t length = random() % 3 == 0 ? kShort[random() % 5] : 1 + static_cast<std::int32_t>(random() % 3000);
    s.frames.assign(static_cast<std::size_t>(length) + 8, 0);
    for (std::int32_t i = 0; i < length; ++i) s.frames[i] = static_cast<std::int16_t>(random());
    static constexpr std::uint8_t kTypes[] = {1, 2, 4};
    const std::uint8_t type = kTypes[random() % 3];
    const std::int32_t start = type == 1 ? 0 : static_cast<std::int32_t>(random() % length);
    const std::int32_t loopLength = type == 1 ? length : 1 + static_cast<std::int32_t>(random() % (length - start));
    const std::int32_t end = start + loopLength;
    s.frames[end] = type == 4 ? s.frames[end - 1] : s.frames[start];
    s.sample.data = s.frames.data();
    s.sample.length = length;
    s.sample.loopStart = start;
    s.sample.loopLength = loopLength;
    s.sample.loopType = type;
    s.sample.bits = 16;
}

// New gains (ramps from the levels reached), frequencies of a fraction of a
// frame up to 16 frames per output frame, and now and then a restart at a
// random offset.
void changeVoice(std::mt19937& random, MixVoice& voice, XmSample* sample) {
    if (random() % 3 == 0) voiceSetVolume(&voice, static_cast<std::int32_t>(random() % 128));
    if (random() % 3 == 0) voiceSetPanning(&voice, static_cast<std::int32_t>(random() % 257));
    if (random() % 3 == 0) voiceSetFrequency(&voice, 100 + static_cast<std::int32_t>(random() % 705600));
    if (voice.sample == nullptr || random() % 8 == 0) {
        voice.startOffset = static_cast<std::uint32_t>(random() % (sample->length + 1));
        voiceStart(&voice, sample);
    }
}

void expectSameVoice(const MixVoice& a, const MixVoice& b, int voice, int call) {
    SCOPED_TRACE(testing::Message() << "voice " << voice << ", call " << call);
    EXPECT_EQ(a.sample, b.sample);
    EXPECT_EQ(a.positionInt, b.positionInt);
    EXPECT_EQ(a.positionFrac, b.positionFrac);
    EXPECT_EQ(a.direction, b.direction);
    EXPECT_EQ(a.levelLeft, b.levelLeft);
    EXPECT_EQ(a.levelRight, b.levelRight);
    EXPECT_EQ(a.rampLeft, b.rampLeft);
}

// Links voices 0..n-1 in order; the last voice of the list lies elsewhere in
// memory, as a list need not follow its array.
void link(MixVoice* voices, MixVoice& stray) {
    for (int i = 0; i < kVoices - 1; ++i) voices[i].next = i + 2 < kVoices ? &voices[i + 1] : &stray;
    stray.next = nullptr;
}
}  // namespace

TEST(MixerPaths, VectorMixMatchesScalarOnRandomVoices) {
    if (!cpuFeatures::vectorPaths()) GTEST_SKIP() << "vector paths off (QORBT_SCALAR=1)";
    std::mt19937 random(2026);
    static constexpr std::int32_t kBlocks[] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
    for (int trial = 0; trial < 60; ++trial) {
        RandomSample samples[kVoices];
        MixVoice vector[kVoices]{}, scalar[kVoices]{};
        for (int v = 0; v < kVoices; ++v) {
            makeSample(random, samples[v]);
            changeVoice(random, vector[v], &samples[v].sample);
            scalar[v] = vector[v];
        }
        for (int call = 0; call < 40; ++call) {
            // The stray voice sits in a separate array slot so that its links differ.
            MixVoice vectorStray = vector[kVoices - 1], scalarStray = scalar[kVoices - 1];
            link(vector, vectorStray);
            link(scalar, scalarStray);
            const std::int32_t frames = random() % 2 == 0 ? kBlocks[random() % 9] : static_cast<std::int32_t>(random() % 900);
            const std::size_t offset = random() % 4;  // unaligned starts
            std::vector<float> base(2 * (static_cast<std::size_t>(frames) + offset) + 2);
            for (float& f : base) f = static_cast<float>(static_cast<std::int32_t>(random() % 200001) - 100000) * 0.37f;
            std::vector<float> vectorMix = base, scalarMix = base;
            mixVoices(vectorMix.data() + 2 * offset, vector, frames);
            mixVoicesScalar(scalarMix.data() + 2 * offset, scalar, frames);
            vector[kVoices - 1] = vectorStray;
            scalar[kVoices - 1] = scalarStray;
            ASSERT_EQ(0, std::memcmp(vectorMix.data(), scalarMix.data(), vectorMix.size() * sizeof(float)))
                << "trial " << trial << ", call " << call << ", " << frames << " frames";
            for (int v = 0; v < kVoices; ++v) expectSameVoice(vector[v], scalar[v], v, call);
            if (HasFailure()) return;
            for (int v = 0; v < kVoices; ++v) {
                if (random() % 3 != 0) continue;
                const std::uint32_t state = static_cast<std::uint32_t>(random());
                std::mt19937 same(state);
                changeVoice(same, vector[v], &samples[v].sample);
                same.seed(state);
                changeVoice(same, scalar[v], &samples[v].sample);
            }
        }
    }
}

TEST(MixerPaths, VectorConversionMatchesScalar) {
    if (!cpuFeatures::vectorPaths()) GTEST_SKIP() << "vector paths off (QORBT_SCALAR=1)";
    std::mt19937 random(16);
    const float special[] = {0.5f, -0.5f, 1.5f, -2.5f, 32766.5f, 32767.5f, -32768.5f, -32767.5f, 1.0e9f, -1.0e9f,
                             std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), -0.0f};
    for (int trial = 0; trial < 300; ++trial) {
        const std::int32_t frames = trial < 20 ? trial : static_cast<std::int32_t>(random() % 100);
        const std::size_t offset = random() % 4;
        std::vector<float> in(2 * (static_cast<std::size_t>(frames) + offset));
        for (float& f : in) {
            f = random() % 4 == 0 ? special[random() % 14]
                                  : static_cast<float>(static_cast<std::int32_t>(random() % 160001) - 80000) * 0.5f;
        }
        std::vector<std::int16_t> vector(in.size() + 4, 99), scalar(in.size() + 4, 99);
        convertToPcm16(vector.data() + 2 * offset, in.data() + 2 * offset, frames);
        convertToPcm16Scalar(scalar.data() + 2 * offset, in.data() + 2 * offset, frames);
        ASSERT_EQ(vector, scalar) << "trial " << trial << ", " << frames << " frames";
    }
}
