// The embedded song keeps the timing the timeline is built on: 208 BPM, rows
// of 8, 5, 3 and 5 ticks set by effect F on every row, 128-row patterns of
// 8,076 ms, enough of them to outlast the show. The module is read here by a
// reader of the test's own, independent of the player, and then loaded and
// played by the player itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/resource_file.h"
#include "music/output.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/resources.h"
#include "platform/wave_output.h"

namespace {

constexpr int kRowTicks[4] = {8, 5, 3, 5};
constexpr int kPatternRows = 128;
constexpr int kBpm = 208;
constexpr int kSpeed = 8;
constexpr int kRate = 44100;
constexpr int kFramesPerTick = 530;                   // floor(2.5 x 44100 / 208)
constexpr int kFramesPerPattern = 32 * 21 * kFramesPerTick;  // 356,160
constexpr double kShowEndMs = 163539.0;               // the last scene window ends here (demo time + 100)

constexpr int kEffectJump = 0x0B, kEffectBreak = 0x0D, kEffectExtended = 0x0E, kEffectSpeed = 0x0F;

// Little-endian reads that give 0 past the end and remember that they did.
class ByteReader {
public:
    ByteReader(const unsigned char* data, std::size_t size) : data(data), size(size) {}
    int u8() {
        if (position >= size) {
            overrun = true;
            ++position;
            return 0;
        }
        return data[position++];
    }
    int u16() {
        const int low = u8();
        return low | (u8() << 8);
    }
    std::uint32_t u32() {
        const std::uint32_t low = static_cast<std::uint32_t>(u16());
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::size_t position = 0;
    bool overrun = false;
    const unsigned char* data;
    std::size_t size;
};

struct Cell {
    int note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
    std::size_t parameterOffset = 0;  // file offset of the parameter byte, 0 when absent
};

struct Pattern {
    int rows = 0;
    std::vector<Cell> cells;  // rows x channels
    bool packedSizeMatches = true;
};

struct Module {
    std::string signature;
    int headerSize = 0, songLength = 0, restart = 0, channels = 0, patternCount = 0, instrumentCount = 0;
    int flags = 0, speed = 0, bpm = 0;
    std::vector<int> orders;
    std::vector<Pattern> patterns;
    std::vector<int> sampleCounts;
    std::size_t endOffset = 0;  // where the reader stopped
    bool overrun = false;
};

Pattern readPattern(ByteReader& in, int channels) {
    const std::size_t start = in.position;
    const std::uint32_t headerLength = in.u32();
    in.u8();  // packing type
    Pattern p;
    p.rows = in.u16();
    const int packedSize = in.u16();
    in.position = start + headerLength;
    const std::size_t dataStart = in.position;
    p.cells.resize(static_cast<std::size_t>(p.rows) * channels);
    if (packedSize == 0) return p;
    for (Cell& c : p.cells) {
        const int first = in.u8();
        const int mask = (first & 0x80) ? first : 0x1F;
        if (!(first & 0x80)) c.note = first;
        else if (mask & 1) c.note = in.u8();
        if (mask & 2) c.instrument = in.u8();
        if (mask & 4) c.volume = in.u8();
        if (mask & 8) c.effect = in.u8();
        if (mask & 16) {
            c.parameterOffset = in.position;
            c.parameter = in.u8();
        }
    }
    p.packedSizeMatches = in.position - dataStart == static_cast<std::size_t>(packedSize);
    return p;
}

int readInstrument(ByteReader& in) {
    const std::size_t start = in.position;
    const std::uint32_t size = in.u32();
    in.position += 23;  // name, type
    const int samples = in.u16();
    std::uint32_t sampleHeaderSize = 0;
    if (samples > 0) sampleHeaderSize = in.u32();
    in.position = start + size;
    std::uint64_t dataBytes = 0;
    for (int j = 0; j < samples; ++j) {
        const std::size_t header = in.position;
        dataBytes += in.u32();
        in.position = header + sampleHeaderSize;
    }
    in.position += dataBytes;
    return samples;
}

Module readModule(const unsigned char* data, std::size_t size) {
    ByteReader in(data, size);
    Module m;
    for (int i = 0; i < 17; ++i) m.signature += static_cast<char>(in.u8());
    in.position = 60;
    m.headerSize = static_cast<int>(in.u32());
    m.songLength = in.u16(), m.restart = in.u16(), m.channels = in.u16();
    m.patternCount = in.u16(), m.instrumentCount = in.u16(), m.flags = in.u16();
    m.speed = in.u16(), m.bpm = in.u16();
    for (int i = 0; i < 256; ++i) {
        const int order = in.u8();
        if (i < m.songLength) m.orders.push_back(order);
    }
    in.position = 60 + m.headerSize;
    for (int i = 0; i < m.patternCount && !in.overrun; ++i) m.patterns.push_back(readPattern(in, m.channels));
    for (int i = 0; i < m.instrumentCount && !in.overrun; ++i) m.sampleCounts.push_back(readInstrument(in));
    m.endOffset = in.position;
    m.overrun = in.overrun || in.position > size;
    return m;
}

// Everything in the patterns that would break the show's timing, one line each.
std::vector<std::string> timingFaults(const Module& m) {
    std::vector<std::string> faults;
    const auto where = [](int order, int row) {
        return "order " + std::to_string(order) + " row " + std::to_string(row) + ": ";
    };
    for (int order = 0; order < static_cast<int>(m.orders.size()); ++order) {
        if (m.orders[order] >= static_cast<int>(m.patterns.size())) {
            faults.push_back("order " + std::to_string(order) + " names a missing pattern");
            continue;
        }
        const Pattern& p = m.patterns[m.orders[order]];
        if (p.rows != kPatternRows) faults.push_back("order " + std::to_string(order) + " has " + std::to_string(p.rows) + " rows");
        for (int row = 0; row < p.rows; ++row) {
            int speedEffects = 0;
            for (int channel = 0; channel < m.channels; ++channel) {
                const Cell& c = p.cells[static_cast<std::size_t>(row) * m.channels + channel];
                if (c.effect == kEffectSpeed && c.parameter >= 32) faults.push_back(where(order, row) + "changes the BPM");
                else if (c.effect == kEffectSpeed && c.parameter != kRowTicks[row % 4])
                    faults.push_back(where(order, row) + "sets speed " + std::to_string(c.parameter));
                else if (c.effect == kEffectSpeed) ++speedEffects;
                if (c.effect == kEffectJump || c.effect == kEffectBreak) faults.push_back(where(order, row) + "jumps");
                if (c.effect == kEffectExtended && ((c.parameter >> 4) == 0x6 || (c.parameter >> 4) == 0xE))
                    faults.push_back(where(order, row) + "loops or delays the pattern");
            }
            if (speedEffects == 0) faults.push_back(where(order, row) + "has no effect F");
        }
    }
    return faults;
}

const std::vector<unsigned char>& songBytes() {
    static const std::vector<unsigned char> bytes = [] {
        const ResourceData r = findResource(kSongResource);
        return std::vector<unsigned char>(r.data, r.data + r.size);
    }();
    return bytes;
}

const Module& song() {
    static const Module m = readModule(songBytes().data(), songBytes().size());
    return m;
}

TEST(SongModule, IsAnExtendedModuleReadToItsLastByte) {
    ASSERT_FALSE(songBytes().empty()) << "resource 102 is missing";
    const Module& m = song();
    EXPECT_EQ(m.signature, "Extended Module: ");
    EXPECT_FALSE(m.overrun);
    EXPECT_EQ(m.endOffset, songBytes().size());
    for (const Pattern& p : m.patterns) EXPECT_TRUE(p.packedSizeMatches);
}

TEST(SongModule, HeaderSetsTheShowsTempoAndLimits) {
    const Module& m = song();
    EXPECT_EQ(m.flags & 1, 1) << "linear frequency table";
    EXPECT_EQ(m.speed, kSpeed);
    EXPECT_EQ(m.bpm, kBpm);
    EXPECT_GE(m.songLength, 21);
    EXPECT_LT(m.restart, m.songLength);
    EXPECT_GE(m.channels, 1);
    EXPECT_LE(m.channels, 32);
    EXPECT_GE(m.instrumentCount, 1);
    for (int samples : m.sampleCounts) EXPECT_LE(samples, 16);
    // Well under 1 MB; 300 KB is the budget the song was composed to.
    EXPECT_LT(songBytes().size(), 1000000u);
    EXPECT_LE(songBytes().size(), 300u * 1024u);
}

TEST(SongModule, EveryRowOfEveryOrderedPatternTakesItsTicks) {
    const std::vector<std::string> faults = timingFaults(song());
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << faults.front();
}

// The check above must notice a single wrong row, and a BPM change.
TEST(SongModule, TimingCheckFindsAWrongRow) {
    const Module& m = song();
    const Pattern& p = m.patterns[m.orders[0]];
    const Cell* speedCell = nullptr;
    for (int channel = 0; channel < m.channels && !speedCell; ++channel) {
        const Cell& c = p.cells[5 * m.channels + channel];
        if (c.effect == kEffectSpeed) speedCell = &c;
    }
    ASSERT_NE(speedCell, nullptr);
    ASSERT_NE(speedCell->parameterOffset, 0u);
    for (int wrong : {kRowTicks[5 % 4] + 1, kBpm}) {
        std::vector<unsigned char> bytes = songBytes();
        bytes[speedCell->parameterOffset] = static_cast<unsigned char>(wrong);
        const std::vector<std::string> faults = timingFaults(readModule(bytes.data(), bytes.size()));
        ASSERT_GE(faults.size(), 1u);
        EXPECT_EQ(faults[0].rfind("order 0 row 5: ", 0), 0u) << faults[0];
    }
}

TEST(SongModule, PatternsLast8076MsAndTheSongOutlastsTheShow) {
    int ticks = 0;
    for (int row = 0; row < kPatternRows; ++row) ticks += kRowTicks[row % 4];
    EXPECT_EQ(ticks * kFramesPerTick, kFramesPerPattern);
    EXPECT_EQ(static_cast<int>(2.5 * kRate / kBpm), kFramesPerTick);
    const double patternMs = kFramesPerPattern * 1000.0 / kRate;
    EXPECT_NEAR(patternMs, 8076.0, 0.5);
    // Song time equals demo time, so the orders must carry the song past the show's end.
    EXPECT_GT(song().songLength * patternMs, kShowEndMs);
}

struct LoadedSong {
    LoadedSong() {
        xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
        song = xmLoad("noname", nullptr);
    }
    ~LoadedSong() { xmFree(song); }
    XmSong* song = nullptr;
};

TEST(SongModule, PlayerLoadsItAsTheFileSays) {
    LoadedSong loaded;
    ASSERT_NE(loaded.song, nullptr);
    const Module& m = song();
    const XmSong& s = *loaded.song;
    EXPECT_EQ(s.songLength, m.songLength);
    EXPECT_EQ(s.restartPosition, m.restart);
    EXPECT_EQ(s.channelCount, m.channels);
    EXPECT_EQ(s.instrumentCount, m.instrumentCount);
    EXPECT_EQ(s.defaultSpeed, kSpeed);
    EXPECT_EQ(s.defaultBpm, kBpm);
    EXPECT_EQ(s.flags & 1, 1);
    for (int order = 0; order < s.songLength; ++order) EXPECT_EQ(s.patterns[s.orderTable[order]].rows, kPatternRows);
}

// Played by the player on a virtual device, the song enters each order 8,076 ms
// (356,160 frames) after the one before, within one 20 ms mixing fragment, and
// after the last one goes on at the restart position.
TEST(SongModule, PlayerEntersEachPatternOnTime) {
    VirtualWaveOutput device;
    xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
    xmSetWaveOutput(&device);
    ASSERT_TRUE(xmStartOutput(kRate));
    {
        LoadedSong loaded;
        ASSERT_NE(loaded.song, nullptr);
        ASSERT_TRUE(xmPlay(loaded.song));
        const int length = loaded.song->songLength;
        int order = 0;
        for (int change = 1; change <= length; ++change) {
            while (xmGetOrder(loaded.song) == order) {
                device.advance(static_cast<std::uint32_t>(fragmentFrames()));
                xmServiceOutput();
            }
            order = xmGetOrder(loaded.song);
            ASSERT_EQ(order, change < length ? change : loaded.song->restartPosition);
            const double expectedMs = change * (kFramesPerPattern * 1000.0 / kRate);
            // The clock sums fragments in single precision: allow it a few milliseconds.
            EXPECT_GE(xmGetTimeMs(loaded.song), expectedMs - 5) << "order change " << change;
            EXPECT_LE(xmGetTimeMs(loaded.song), expectedMs + 25) << "order change " << change;
        }
    }
    xmStopOutput();
    xmSetWaveOutput(nullptr);
}

}  // namespace
