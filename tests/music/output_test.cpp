// The wave output: ring and fragment sizes, which fragment the writer mixes
// when, refusals, the song clock it keeps, and the output thread mixing while
// the main thread plays, stops and frees songs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/sequencer.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/wave_output.h"
#include "tests/music/xm_builder.h"

namespace {
void* openNothing(const char*) { return nullptr; }
void closeNothing(void*) {}
std::int32_t readNothing(void*, std::int32_t, void*) { return 0; }
void* seekNothing(void* handle, std::int32_t, std::uint8_t) { return handle; }
std::int32_t tellNothing(void*) { return 0; }

class RefusingOutput : public WaveOutput {
public:
    bool open(int) override { return false; }
    void play(const std::int16_t*, std::uint32_t) override {}
    std::uint64_t framesPlayed() const override { return 0; }
    void close() override {}
};

// Two channels; a looped 8-bit sample of constant value, note C-4 on row 0 of channel 0.
std::vector<std::uint8_t> oneNoteModule() {
    ModuleDraft draft;
    draft.channels = 2;
    draft.instruments.push_back(simpleInstrument(std::vector<std::int16_t>(64, 100), 1));
    draft.addPattern(64).at(0, 0) = noteCell(49, 1);
    return buildXm(draft);
}

// Four channels busy with notes, slides and vibrato, over two patterns.
std::vector<std::uint8_t> busyModule() {
    ModuleDraft draft;
    draft.channels = 4;
    draft.orders = {0, 1, 0};
    draft.speed = 3;
    std::vector<std::int16_t> saw(200);
    for (std::size_t i = 0; i < saw.size(); ++i) saw[i] = static_cast<std::int16_t>(static_cast<int>(i % 50) * 5 - 120);
    draft.instruments.push_back(simpleInstrument(saw, 1));
    draft.instruments.push_back(simpleInstrument(saw, 2));
    for (int p = 0; p < 2; ++p) {
        PatternDraft& pattern = draft.addPattern(16);
        for (int row = 0; row < 16; row += 2) {
            for (int channel = 0; channel < 4; ++channel) {
                pattern.at(row, channel) = noteCell(static_cast<std::uint8_t>(37 + row + channel * 3 + p),
                                                    static_cast<std::uint8_t>(1 + channel % 2), 0, channel == 1 ? 4 : 0xA,
                                                    channel == 1 ? 0x38 : 0x02);
            }
        }
    }
    return buildXm(draft);
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        xmSetFileCallbacks(openNothing, closeNothing, readNothing, seekNothing, tellNothing);
        xmSetWaveOutput(&device);
    }
    void TearDown() override {
        xmStopOutput();
        xmSetWaveOutput(nullptr);
        xmSetBufferLength(200);
    }
    // Advances the device by whole fragments and services the output.
    int playFragments(int count) {
        device.advance(static_cast<std::uint32_t>(count * fragmentFrames()));
        return xmServiceOutput();
    }
    VirtualWaveOutput device;
};
}  // namespace

namespace {
VirtualWaveOutput* madeDevice = nullptr;
std::unique_ptr<WaveOutput> makeSystemDevice() {
    auto made = std::make_unique<VirtualWaveOutput>();
    madeDevice = made.get();
    return made;
}
}  // namespace

// Only a program that plays to the system names its device: without one, a
// start with no chosen device fails as on a machine without sound.
TEST_F(OutputTest, SystemDeviceOnlyWhenAProgramSetsOne) {
    xmSetWaveOutput(nullptr);
    EXPECT_FALSE(xmStartOutput(44100));
    EXPECT_EQ(voicePool, nullptr);
    xmSetSystemWaveOutput(makeSystemDevice);
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_NE(madeDevice, nullptr);
    EXPECT_TRUE(madeDevice->isOpen());
    EXPECT_NE(voicePool, nullptr);
    xmStopOutput();
    xmSetSystemWaveOutput(nullptr);
    madeDevice = nullptr;
}

TEST_F(OutputTest, FragmentAndRingSizes) {
    xmSetBufferLength(4038);  // 4020 ms
    ASSERT_TRUE(xmStartOutput(44100));
    EXPECT_EQ(fragmentFrames(), 884);
    EXPECT_EQ(ringFrames(), 355368);
    EXPECT_EQ(ringFrames() / fragmentFrames(), 402);
    EXPECT_EQ(rampFrames(), 128);
    EXPECT_EQ(outputRate(), 44100);
    EXPECT_TRUE(device.isOpen());

    ASSERT_TRUE(xmStartOutput(48000));
    EXPECT_EQ(fragmentFrames(), 960);
    EXPECT_EQ(ringFrames(), 402 * 960);
    EXPECT_EQ(rampFrames(), 139);
    ASSERT_TRUE(xmStartOutput(22050));
    EXPECT_EQ(fragmentFrames(), 444);  // 441 rounded up to a multiple of 4
    EXPECT_EQ(rampFrames(), 64);

    for (std::int32_t ms : {39, 20, 0, -100}) {
        xmSetBufferLength(ms);
        ASSERT_TRUE(xmStartOutput(44100));
        EXPECT_EQ(ringFrames(), 2 * 884) << ms;
    }
    xmSetBufferLength(59);
    ASSERT_TRUE(xmStartOutput(44100));
    EXPECT_EQ(ringFrames(), 4 * 884);
    EXPECT_EQ(outputRate(), 44100);
}

TEST_F(OutputTest, WriterMixesTheFragmentsThePlayerHasLeft) {
    xmSetBufferLength(100);  // 10 fragments
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_EQ(ringFrames() / fragmentFrames(), 10);
    EXPECT_EQ(xmServiceOutput(), 0);  // playing fragment 0, writer at 0
    EXPECT_EQ(playFragments(3), 3);    // fragments 0..2 refilled; the writer waits at 3
    EXPECT_EQ(xmServiceOutput(), 0);
    // The device wraps into fragment 2 while the writer is at 3: from fragment 2
    // on only fragments below the played one are written, so it waits.
    EXPECT_EQ(playFragments(9), 0);
    EXPECT_EQ(playFragments(1), 0);  // playing 3, the writer's own fragment
    EXPECT_EQ(playFragments(1), 1);  // playing 4: fragment 3 written
    // Playing fragment 1 lets the writer catch up through the wrap: 4..9 and 0.
    EXPECT_EQ(playFragments(7), 7);
    EXPECT_EQ(playFragments(1), 1);
    // A device that stays within one fragment gives nothing more to do.
    device.advance(static_cast<std::uint32_t>(fragmentFrames() - 1));
    EXPECT_EQ(xmServiceOutput(), 0);
}

// A virtual device whose reader, like SDL's callback, copies 1024 frames at a
// time and counts them as played only afterwards.
class BlockCopyingOutput : public VirtualWaveOutput {
public:
    void play(const std::int16_t* ring, std::uint32_t frames) override {
        ringSeen = const_cast<std::int16_t*>(ring);
        VirtualWaveOutput::play(ring, frames);
    }
    std::uint32_t framesInFlight() const override { return 1024; }
    std::int16_t* ringSeen = nullptr;
};

TEST_F(OutputTest, WriterKeepsOutOfTheFramesTheDeviceIsCopying) {
    BlockCopyingOutput copying;
    xmSetWaveOutput(&copying);
    xmSetBufferLength(100);  // 10 fragments
    ASSERT_TRUE(xmStartOutput(44100));
    const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
    const auto ring = static_cast<std::uint32_t>(ringFrames());
    copying.advance(2 * fragment);
    EXPECT_EQ(xmServiceOutput(), 2);  // fragments 0 and 1; the writer waits at 2

    // A whole ring without the writer: the device now copies the last 100
    // frames of fragment 1 and the start of fragment 2, the writer's next.
    copying.advance(ring - 100);
    std::int16_t* fragment2 = copying.ringSeen + 2 * 2 * fragment;
    std::fill(fragment2, fragment2 + 2 * fragment, std::int16_t{0x1234});
    EXPECT_EQ(xmServiceOutput(), 0);
    EXPECT_TRUE(std::all_of(fragment2, fragment2 + 2 * fragment, [](std::int16_t s) { return s == 0x1234; }));
    copying.advance(100);  // playing fragment 2 itself
    EXPECT_EQ(xmServiceOutput(), 0);
    copying.advance(fragment);  // past it: written; fragment 3 is being played
    EXPECT_EQ(xmServiceOutput(), 1);
    EXPECT_EQ(fragment2[0], 0);
    copying.advance(6 * fragment);
    EXPECT_EQ(xmServiceOutput(), 6);  // 3..8
    xmStopOutput();
}

// The browser's device plays by itself in blocks of 512 frames, whether or not
// the frame loop runs. Serviced after each block, the writer has mixed every
// fragment the device has left, through stalls over the wrap and for laps.
TEST_F(OutputTest, DeviceServicedAfterEachBlockNeverOutrunsTheWriter) {
    xmSetBufferLength(100);  // 10 fragments
    ASSERT_TRUE(xmStartOutput(44100));
    const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
    std::uint64_t mixed = 0;
    auto playInBlocks = [&](std::uint32_t frames) {
        for (std::uint32_t done = 0; done < frames;) {
            const std::uint32_t block = std::min<std::uint32_t>(512, frames - done);
            device.advance(block);
            mixed += static_cast<std::uint64_t>(xmServiceOutput());
            done += block;
            ASSERT_EQ(mixed, device.framesPlayed() / fragment) << "after " << device.framesPlayed() << " frames";
        }
    };
    playInBlocks(9 * fragment + 800);  // late in the last fragment
    playInBlocks(4 * fragment);        // a frame of 80 ms over the wrap
    playInBlocks(5 * 44100);           // a hidden page: 5 s without frames

    // The same 80 ms at once skip the writer's window after the wrap (fragments
    // 0 and 1): the writer waits at fragment 9 while the ring replays its lap.
    ASSERT_TRUE(xmStartOutput(44100));
    EXPECT_EQ(playFragments(9), 9);
    device.advance(800);
    EXPECT_EQ(xmServiceOutput(), 0);
    device.advance(4 * fragment);
    EXPECT_EQ(xmServiceOutput(), 0);
    for (int f = 4; f <= 9; ++f) EXPECT_EQ(playFragments(1), 0) << "playing fragment " << f;
}

TEST_F(OutputTest, StartRefusals) {
    xmSetFileCallbacks(openNothing, closeNothing, nullptr, seekNothing, tellNothing);
    EXPECT_FALSE(xmStartOutput(44100));
    EXPECT_FALSE(device.isOpen());
    xmSetFileCallbacks(openNothing, closeNothing, readNothing, seekNothing, tellNothing);
    RefusingOutput refusing;
    xmSetWaveOutput(&refusing);
    EXPECT_FALSE(xmStartOutput(44100));
    EXPECT_EQ(voicePool, nullptr);
    xmSetWaveOutput(&device);
    EXPECT_FALSE(xmStartOutput(0));
    EXPECT_FALSE(xmStartOutput(-44100));
    EXPECT_EQ(voicePool, nullptr);
    EXPECT_EQ(xmServiceOutput(), 0);

    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_NE(voicePool, nullptr);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(voicePool[i].index, i);
    xmStopOutput();
    EXPECT_EQ(voicePool, nullptr);
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(xmServiceOutput(), 0);
    xmStopOutput();  // harmless when repeated
}

TEST_F(OutputTest, SongClockCountsMixedFramesAndRestarts) {
    const std::vector<std::uint8_t> bytes = oneNoteModule();
    XmSong* song = loadXmBytes(bytes);
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_TRUE(xmPlay(song));
    EXPECT_EQ(xmGetTimeMs(song), 0);
    EXPECT_EQ(xmGetRow(song), 0);
    EXPECT_EQ(xmGetOrder(song), 0);

    // Speed 6 at 125 BPM: ticks of 882 frames at frames 0, 882, ..., the
    // seventh (row 1) at 5292, inside the sixth fragment of 884.
    EXPECT_EQ(playFragments(5), 5);
    EXPECT_EQ(xmGetRow(song), 0);
    EXPECT_EQ(playFragments(1), 1);
    EXPECT_EQ(xmGetRow(song), 1);
    EXPECT_EQ(song->framesLeftInTick, 7 * 882 - 6 * 884);
    // 12 fragments are 240.54 ms: truncated, not rounded.
    EXPECT_EQ(playFragments(6), 6);
    EXPECT_EQ(xmGetTimeMs(song), 240);

    EXPECT_TRUE(xmStop(song));
    EXPECT_EQ(playFragments(2), 2);
    EXPECT_EQ(xmGetTimeMs(song), 240);  // a stopped song's clock stands still
    ASSERT_TRUE(xmPlay(song));
    EXPECT_EQ(xmGetTimeMs(song), 0);
    EXPECT_EQ(xmGetRow(song), 0);
    EXPECT_EQ(playFragments(1), 1);
    EXPECT_EQ(xmGetTimeMs(song), 20);
    xmFree(song);
}

TEST_F(OutputTest, WhatIsMixedIsHeardOneRingLater) {
    const std::vector<std::uint8_t> bytes = oneNoteModule();
    XmSong* song = loadXmBytes(bytes);
    ASSERT_NE(song, nullptr);
    xmSetBufferLength(100);
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_TRUE(xmPlay(song));
    const std::uint32_t fragment = static_cast<std::uint32_t>(fragmentFrames());
    const std::size_t ring = static_cast<std::size_t>(ringFrames());
    std::vector<std::int16_t> heard(2 * 2 * ring);
    for (std::size_t done = 0; done < 2 * ring; done += fragment) {
        device.advance(fragment, heard.data() + 2 * done);
        xmServiceOutput();
    }
    for (std::size_t i = 0; i < 2 * ring; ++i) ASSERT_EQ(heard[i], 0) << "first pass, value " << i;
    // The note starts with the song, its gains ramping up from 0.
    EXPECT_EQ(heard[2 * ring], 0);
    EXPECT_GT(heard[2 * ring + 2], 0);
    EXPECT_GT(heard[2 * ring + 3], 0);
    EXPECT_GT(heard[2 * ring + 2 * 128], heard[2 * ring + 2 * 64]);
    EXPECT_EQ(heard.back(), heard[heard.size() - 3]);  // a steady tone by then
    xmFree(song);
}

TEST_F(OutputTest, StoppingTheOutputStopsItsSongs) {
    const std::vector<std::uint8_t> bytes = oneNoteModule();
    XmSong* song = loadXmBytes(bytes);
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_TRUE(xmPlay(song));
    EXPECT_EQ(playFragments(3), 3);
    xmStopOutput();
    EXPECT_EQ(song->playing, 0);
    EXPECT_EQ(song->channels, nullptr);
    EXPECT_EQ(playingSongs.next, &playingSongs);
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_TRUE(xmPlay(song));
    EXPECT_EQ(playFragments(3), 3);
    EXPECT_EQ(xmGetTimeMs(song), 60);
    xmFree(song);
}

namespace {
// A device that plays in wall-clock time, four times faster than real time,
// so that the output thread has plenty to mix.
class WallClockOutput : public WaveOutput {
public:
    bool open(int rate) override {
        rate_ = rate;
        return true;
    }
    void play(const std::int16_t*, std::uint32_t) override { start_.store(Clock::now().time_since_epoch().count()); }
    std::uint64_t framesPlayed() const override {
        const auto elapsed = Clock::now().time_since_epoch().count() - start_.load();
        return static_cast<std::uint64_t>(std::chrono::duration<double>(Clock::duration(elapsed)).count() * rate_ * 4);
    }
    void close() override {}

private:
    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> start_{0};
    int rate_ = 0;
};
}  // namespace

TEST(OutputThreads, PlayStopFreeAndRestartWhileTheThreadMixes) {
    using namespace std::chrono_literals;
    WallClockOutput device;
    xmSetWaveOutput(&device);
    xmSetBufferLength(200);
    const std::vector<std::uint8_t> bytes = busyModule();
    useMemoryFiles();
    ASSERT_TRUE(xmStartOutput(44100));

    std::int32_t longest = 0;
    const auto end = std::chrono::steady_clock::now() + 1500ms;
    int cycles = 0;
    while (std::chrono::steady_clock::now() < end) {
        XmSong* song = loadXmBytes(bytes);
        ASSERT_NE(song, nullptr);
        ASSERT_TRUE(xmPlay(song));
        std::int32_t last = 0;
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(1ms);
            const std::int32_t time = xmGetTimeMs(song);
            ASSERT_GE(time, last);
            last = time;
            ASSERT_GE(xmGetRow(song), 0);
            ASSERT_LT(xmGetRow(song), 16);
            ASSERT_GE(xmGetOrder(song), 0);
        }
        longest = std::max(longest, last);
        ASSERT_TRUE(xmStop(song));
        ASSERT_TRUE(xmPlay(song));
        std::this_thread::sleep_for(std::chrono::milliseconds(cycles % 5));
        if (cycles % 3 == 0) xmStop(song);
        ASSERT_TRUE(xmFree(song));  // frees a playing song every other time
        ++cycles;
    }
    EXPECT_GT(longest, 0);  // the thread did mix

    // The output stopped and started again under a playing song.
    XmSong* song = loadXmBytes(bytes);
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(xmPlay(song));
    std::this_thread::sleep_for(20ms);
    xmStopOutput();
    EXPECT_EQ(song->playing, 0);
    ASSERT_TRUE(xmStartOutput(44100));
    ASSERT_TRUE(xmPlay(song));
    std::this_thread::sleep_for(20ms);
    xmFree(song);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
}

// Starting part-way: the songs are mixed unheard up to a fragment, then the
// device, wherever it is in its ring, plays on exactly what a run that had
// played from the start would play from there.
TEST_F(OutputTest, SkippedFragmentsContinueAsIfPlayed) {
    const std::vector<std::uint8_t> bytes = busyModule();
    xmSetBufferLength(100);  // 10 fragments
    ASSERT_TRUE(xmStartOutput(44100));
    const std::uint32_t fragment = static_cast<std::uint32_t>(fragmentFrames());
    const std::size_t ring = static_cast<std::size_t>(ringFrames());
    const std::size_t fragments = ring / fragment;

    // A run from the start: after the ring's silence, the song.
    XmSong* song = loadXmBytes(bytes);
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(xmPlay(song));
    constexpr std::size_t kSkipped = 37;  // more than a ring, not a whole number of rings
    const std::size_t total = ring + (kSkipped + 2 * fragments) * fragment;
    std::vector<std::int16_t> full(2 * total);
    for (std::size_t done = 0; done < total; done += fragment) {
        device.advance(fragment, full.data() + 2 * done);
        xmServiceOutput();
    }
    xmFree(song);

    for (const std::uint32_t lead : {0u, 3 * fragment + 100, 15 * fragment + 883}) {
        ASSERT_TRUE(xmStartOutput(44100));
        song = loadXmBytes(bytes);
        ASSERT_NE(song, nullptr);
        xmSkipFragments(0);
        ASSERT_TRUE(xmPlay(song));
        device.advance(lead);
        EXPECT_EQ(xmServiceOutput(), 0) << "nothing is mixed while positioning";
        xmSkipFragments(kSkipped);
        EXPECT_EQ(xmGetTimeMs(song), static_cast<std::int32_t>(kSkipped * fragment * 1000 / 44100));
        xmQueueSkipped();
        // The device is part-way through a fragment holding the song a ring
        // before what was mixed last.
        const std::size_t from = ring + (kSkipped - fragments) * fragment + lead % fragment;
        std::vector<std::int16_t> heard(2 * (total - from));
        for (std::size_t done = 0; done < heard.size() / 2;) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(fragment / 2, heard.size() / 2 - done));
            device.advance(n, heard.data() + 2 * done);
            xmServiceOutput();
            done += n;
        }
        // The rest of the fragment the device is in is left alone (it would
        // race the device's copy): it still holds the ring's silence.
        const std::size_t left = 2 * (fragment - lead % fragment);
        EXPECT_EQ(std::count(heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(left), 0),
                  static_cast<std::ptrdiff_t>(left));
        const std::vector<std::int16_t> expected(full.begin() + static_cast<std::ptrdiff_t>(2 * from + left), full.end());
        ASSERT_EQ(std::vector<std::int16_t>(heard.begin() + static_cast<std::ptrdiff_t>(left), heard.end()), expected)
            << "device " << lead << " frames into its ring";
        EXPECT_NE(std::count(heard.begin(), heard.end(), 0), static_cast<std::ptrdiff_t>(heard.size()));
        xmFree(song);
    }
}
