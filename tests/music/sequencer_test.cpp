// The sequencer: tick lengths, row and order flow, notes and instruments, the
// voice arithmetic, and the player control around it.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/sequencer.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "tests/music/xm_builder.h"

namespace {

// A looped sample, so voices keep playing.
InstrumentDraft loopedInstrument(std::uint8_t volume = 64) {
    InstrumentDraft instrument = simpleInstrument(std::vector<std::int16_t>(100, 20), 1);
    instrument.samples[0].volume = volume;
    return instrument;
}

ModuleDraft moduleOf(int channels, std::vector<int> patternRows) {
    ModuleDraft draft;
    draft.channels = static_cast<std::uint16_t>(channels);
    draft.orders.clear();
    for (std::size_t i = 0; i < patternRows.size(); ++i) {
        draft.addPattern(patternRows[i]);
        draft.orders.push_back(static_cast<std::uint8_t>(i));
    }
    draft.instruments.push_back(loopedInstrument());
    return draft;
}

// (order, row) after each of count row ticks.
std::vector<std::pair<int, int>> positions(PlayingModule& module, int count) {
    std::vector<std::pair<int, int>> result;
    for (int i = 0; i < count; ++i) {
        module.nextRow();
        result.emplace_back(module.song->orderPosition, module.song->row);
    }
    return result;
}

using Positions = std::vector<std::pair<int, int>>;

}  // namespace

TEST(Sequencer, TickLengthIsTheFloorOfTwoAndAHalfRateOverBpmForEveryBpm) {
    VirtualWaveOutput device;
    useMemoryFiles();
    xmSetWaveOutput(&device);
    for (int rate : {44100, 48000}) {
        ASSERT_TRUE(xmStartOutput(rate));
        XmSong song;
        for (int bpm = 1; bpm <= 255; ++bpm) {
            samplesPerTick(&song, bpm);
            ASSERT_EQ(song.framesPerTick, 5 * rate / (2 * bpm)) << rate << " " << bpm;
            ASSERT_EQ(song.bpm, bpm);
        }
    }
    ASSERT_TRUE(xmStartOutput(44100));
    XmSong song;
    samplesPerTick(&song, 125);
    EXPECT_EQ(song.framesPerTick, 882);
    samplesPerTick(&song, 208);
    EXPECT_EQ(song.framesPerTick, 530);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
}

TEST(Sequencer, RowsLastSpeedTicks) {
    ModuleDraft draft = moduleOf(1, {4});
    draft.speed = 8;
    draft.bpm = 208;
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(module.song->framesPerTick, 530);
    EXPECT_EQ(module.nextRow(), 1);  // row 0 starts on the first tick
    EXPECT_EQ(module.nextRow() * module.song->framesPerTick, 4240);
}

TEST(Sequencer, SpeedsEightFiveThreeFiveMakeThePatternLast8076Ms) {
    ModuleDraft draft = moduleOf(1, {128, 1});
    draft.speed = 8;
    draft.bpm = 208;
    const std::uint8_t speeds[4] = {8, 5, 3, 5};
    for (int row = 0; row < 128; ++row) draft.patterns[0].at(row, 0) = noteCell(0, 0, 0, 0x0F, speeds[row % 4]);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.nextRow();
    int ticks = 0;
    for (int row = 1; row <= 4; ++row) ticks += module.nextRow();
    EXPECT_EQ(ticks * module.song->framesPerTick, 11130);
    while (module.song->orderPosition == 0) ticks += module.nextRow();
    const int frames = ticks * module.song->framesPerTick;
    EXPECT_EQ(frames, 356160);
    EXPECT_EQ(frames * 1000 / 44100, 8076);
}

TEST(Sequencer, SpeedZeroMakesEveryTickARow) {
    ModuleDraft draft = moduleOf(1, {8});
    draft.patterns[0].at(0, 0) = noteCell(0, 0, 0, 0x0F, 0x00);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.tick();
    for (int row = 1; row < 6; ++row) {
        module.tick();
        EXPECT_EQ(module.song->row, row);
    }
}

TEST(Sequencer, PlaysOnFromTheRestartPositionForever) {
    ModuleDraft draft = moduleOf(1, {2, 2, 2});
    draft.restartPosition = 1;
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    const Positions expected = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {1, 0}};
    EXPECT_EQ(positions(module, 11), expected);
}

TEST(Sequencer, PatternBreakAndPositionJump) {
    struct Case {
        NoteCell first, second;  // channels 0 and 1 of row 0 of order 0
        Positions expected;      // the rows after it
    };
    const Case cases[] = {
        {noteCell(0, 0, 0, 0x0D, 0x05), {}, {{1, 5}, {1, 6}}},
        {noteCell(0, 0, 0, 0x0D, 0x10), {}, {{1, 0}, {1, 1}}},  // row 10 of an 8-row pattern: from the top
        {noteCell(0, 0, 0, 0x0D, 0x70), {}, {{1, 0}}},          // beyond 63
        {noteCell(0, 0, 0, 0x0B, 0x02), noteCell(0, 0, 0, 0x0D, 0x03), {{2, 3}}},  // jump, then break: both
        {noteCell(0, 0, 0, 0x0D, 0x03), noteCell(0, 0, 0, 0x0B, 0x02), {{2, 0}}},  // break, then jump: row 0
        {noteCell(0, 0, 0, 0x0B, 0x09), {}, {{0, 0}}},                             // past the last order
    };
    for (const Case& c : cases) {
        ModuleDraft draft = moduleOf(2, {4, 8, 8});
        draft.patterns[0].at(0, 0) = c.first;
        draft.patterns[0].at(0, 1) = c.second;
        PlayingModule module(draft);
        ASSERT_TRUE(module.ok());
        module.nextRow();
        EXPECT_EQ(positions(module, static_cast<int>(c.expected.size())), c.expected);
    }

    ModuleDraft draft = moduleOf(1, {2, 2, 2});
    draft.restartPosition = 1;
    draft.patterns[2].at(0, 0) = noteCell(0, 0, 0, 0x0D, 0x01);  // a break on the last order goes to order 0
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    const Positions expected = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {0, 1}};
    EXPECT_EQ(positions(module, 6), expected);
}

TEST(Sequencer, PatternLoopRepeatsAndFurtherTicksKeepTheirRow) {
    ModuleDraft draft = moduleOf(2, {6, 1});
    draft.patterns[0].at(1, 0) = noteCell(0, 0, 0, 0x0E, 0x60);
    draft.patterns[0].at(3, 0) = noteCell(0, 0, 0, 0x0E, 0x62);
    draft.patterns[0].at(0, 1) = noteCell(49, 1);
    draft.patterns[0].at(3, 1) = noteCell(0, 0, 0, 0x0A, 0x01);  // slides on the looping row's further ticks
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    std::vector<int> rows;
    std::vector<int> volumes;
    for (int i = 0; i < 10; ++i) {
        module.nextRow();
        rows.push_back(module.song->row);
        volumes.push_back(module.channel(1).volume);
    }
    // Row 3 reads as 0 once it loops back; its further ticks still slide.
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 1, 2, 3}));
    EXPECT_EQ(volumes, (std::vector<int>{64, 64, 64, 64, 59, 59, 59, 54, 54, 54}));
}

TEST(Sequencer, PatternLoopFromRowZeroReadsRowMinusOneUntilTheNextRow) {
    ModuleDraft draft = moduleOf(1, {3, 1});
    draft.patterns[0].at(0, 0) = noteCell(49, 1, 0, 0x0E, 0x60);
    draft.patterns[0].at(2, 0) = noteCell(0, 0, 0, 0x0E, 0x61);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.nextRow();
    module.nextRow();
    module.nextRow();
    EXPECT_EQ(module.song->row, -1);
    EXPECT_EQ(xmGetRow(module.song), -1);
    module.tick(5);  // the further ticks of row 2 still read row 2
    EXPECT_EQ(module.song->row, -1);
    module.tick();
    EXPECT_EQ(module.song->row, 0);
}

TEST(Sequencer, PatternLoopsThatReArmEachOtherLoopForever) {
    // One channel, two loop ends sharing its count: row 3 re-arms what row 2
    // used up, so rows 1..3 repeat for as long as the song plays.
    ModuleDraft draft = moduleOf(2, {5, 1});
    draft.patterns[0].at(0, 0) = noteCell(49, 1);
    draft.patterns[0].at(1, 1) = noteCell(0, 0, 0, 0x0E, 0x60);
    draft.patterns[0].at(2, 1) = noteCell(0, 0, 0, 0x0E, 0x61);
    draft.patterns[0].at(3, 1) = noteCell(0, 0, 0, 0x0E, 0x61);
    draft.patterns[0].at(4, 1) = noteCell(0, 0, 0, 0x0D, 0x00);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    std::vector<int> rows;
    for (int i = 0; i < 5000; ++i) {
        module.nextRow();
        if (i >= 4990) rows.push_back(module.song->row);
    }
    EXPECT_EQ(module.song->orderPosition, 0);
    // Row 2 has used up the count, row 3 re-arms it and jumps back (reading as row 0).
    EXPECT_EQ(rows, (std::vector<int>{2, 0, 1, 2, 0, 1, 2, 0, 1, 2}));
}

TEST(Sequencer, PatternDelayAddsWholeRows) {
    ModuleDraft draft = moduleOf(2, {6, 1});
    draft.patterns[0].at(1, 0) = noteCell(0, 0, 0, 0x0E, 0xE2);
    draft.patterns[0].at(2, 0) = noteCell(0, 0, 0, 0x0E, 0x60);
    draft.patterns[0].at(3, 0) = noteCell(0, 0, 0, 0x0E, 0x61);  // a loop end on a delayed row
    draft.patterns[0].at(3, 1) = noteCell(0, 0, 0, 0x0E, 0xE1);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    std::vector<int> ticks;
    for (int i = 0; i < 7; ++i) ticks.push_back(module.nextRow());
    // Rows 0, 1 (EE2 at speed 6: 18 ticks), 2, 3 (12), 2, 3 (12), 4.
    EXPECT_EQ(ticks, (std::vector<int>{1, 6, 18, 6, 12, 6, 12}));
    EXPECT_EQ(module.song->row, 4);
}

TEST(Sequencer, TonePortamentoKeepsInstrumentKeyAndSample) {
    ModuleDraft draft = moduleOf(1, {4});
    draft.instruments.push_back(loopedInstrument(20));
    draft.instruments[0].samples[0].volume = 40;
    draft.instruments[1].samples[0].relativeNote = 12;
    draft.patterns[0].at(0, 0) = noteCell(49, 1);
    draft.patterns[0].at(1, 0) = noteCell(53, 2, 0, 0x03, 0x10);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.nextRow();
    XmSample* first = module.song->instruments[0].samples[0];
    EXPECT_EQ(module.voice(0).sample, first);
    module.channel(0).volume = 10;
    module.voice(0).positionInt = 42;
    module.nextRow();
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(channel.instrument, 0);
    EXPECT_EQ(channel.key, 48);
    EXPECT_EQ(channel.volume, 40);         // the instrument number still resets, from the old sample
    EXPECT_EQ(channel.portaTarget, 4352);  // E-4 with the old sample's relative note
    EXPECT_EQ(channel.period, 4608);
    EXPECT_EQ(module.voice(0).sample, first);
    EXPECT_EQ(module.voice(0).positionInt, 42);  // not restarted
}

TEST(Sequencer, KeyOffSilencesOrReleases) {
    ModuleDraft draft = moduleOf(2, {4});
    InstrumentDraft enveloped = loopedInstrument();
    enveloped.volumeEnvelope = {{{0, 64}, {2, 32}, {4, 32}}, -1, 3, 1, 0, 0};
    enveloped.fadeout = 300;
    draft.instruments.push_back(enveloped);
    draft.patterns[0].at(0, 0) = noteCell(49, 1);
    draft.patterns[0].at(0, 1) = noteCell(49, 2);
    draft.patterns[0].at(1, 0) = noteCell(97);
    draft.patterns[0].at(1, 1) = noteCell(0, 0, 0, 0x14, 0x33);  // K: key off by effect
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.nextRow();
    module.nextRow();
    EXPECT_EQ(module.voice(0).volume, 0);               // no envelope: silent on the key-off tick
    EXPECT_EQ(module.channel(0).fadeoutVolume, 65536);  // fadeout 0 never fades
    EXPECT_EQ(module.channel(1).envelopeVolume, 32);
    EXPECT_EQ(module.channel(1).fadeoutVolume, 65536 - 600);
    module.tick(3);
    EXPECT_EQ(module.channel(1).fadeoutVolume, 65536 - 4 * 600);
    EXPECT_EQ(module.voice(1).volume, 61);  // 64 x 32 x 63136 x 64 x 255 / 2^35
}

TEST(Sequencer, MissingInstrumentsAndSlotsPlayTheEmptySample) {
    ModuleDraft draft = moduleOf(2, {2});
    for (int k = 0; k < 96; ++k) draft.instruments[0].keymap[k] = k < 60 ? 0 : 16;
    draft.patterns[0].at(0, 0) = noteCell(49, 5);  // no instrument 5
    draft.patterns[0].at(0, 1) = noteCell(61, 1);  // keymap slot 16
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.voice(0).sample = module.song->instruments[0].samples[0];
    module.voice(1).sample = module.song->instruments[0].samples[0];
    module.nextRow();
    for (int c = 0; c < 2; ++c) {
        const XmSample* sample = module.voice(c).sample;
        EXPECT_TRUE(sample == nullptr || sample == &emptySample) << c;
    }
}

TEST(Sequencer, NotePeriodsAndFrequencies) {
    struct Case {
        std::uint16_t flags;
        std::uint8_t note;
        std::int8_t finetune, relativeNote;
        std::int32_t period, hertz;
    };
    const Case cases[] = {
        {1, 49, 0, 0, 4608, 8363},  {1, 61, 0, 0, 3840, 16726}, {1, 49, -16, 0, 4616, 8302},
        {1, 37, 0, 12, 4608, 8363}, {0, 49, 0, 0, 1712, 8362},  {0, 49, 64, 0, 1664, 8604},
    };
    for (const Case& c : cases) {
        ModuleDraft draft = moduleOf(1, {2});
        draft.flags = c.flags;
        draft.instruments[0].samples[0].finetune = c.finetune;
        draft.instruments[0].samples[0].relativeNote = c.relativeNote;
        draft.patterns[0].at(0, 0) = noteCell(c.note, 1);
        PlayingModule module(draft);
        ASSERT_TRUE(module.ok());
        module.tick();
        EXPECT_EQ(module.channel(0).period, c.period) << int(c.note);
        EXPECT_EQ(module.voice(0).frequency, c.hertz) << int(c.note);
    }
}

TEST(Sequencer, AmigaPeriods) {
    EXPECT_EQ(amigaPeriod(48, 0), 1712);
    EXPECT_EQ(amigaPeriod(48, 64), 1664);
    EXPECT_EQ(amigaPeriod(48, -64), 1762);
    EXPECT_EQ(amigaPeriod(48, -128), 1813);
    EXPECT_EQ(amigaPeriod(60, 0), 856);
    EXPECT_EQ(amigaPeriod(95, 127), 108);
    EXPECT_EQ(amigaPeriod(0, -16), 27584);  // note 0 takes the upward branch
}

TEST(Sequencer, VoiceVolumePanningAndFrequency) {
    XmChannel channel{};
    channel.volume = 64;
    channel.envelopeVolume = 64;
    channel.fadeoutVolume = 65536;
    EXPECT_EQ(voiceVolumeOf(channel, 64), 127);
    channel.volume = 32;
    EXPECT_EQ(voiceVolumeOf(channel, 64), 63);  // 63.75
    channel.volumeDelta = -32;
    EXPECT_EQ(voiceVolumeOf(channel, 64), 0);

    const std::int32_t panning[][3] = {{128, 64, 256}, {128, 0, 0}, {0, 64, 0},
                                       {255, 0, 255},  {64, 0, 0},  {200, 48, 216}};
    for (const auto& p : panning) {
        channel.panning = p[0];
        channel.envelopePanning = p[1];
        EXPECT_EQ(voicePanningOf(channel), p[2]) << p[0] << " " << p[1];
    }

    channel.period = 4608;
    channel.periodDelta = 768;
    EXPECT_EQ(voiceFrequencyOf(channel, true), 16726);  // a positive delta raises the pitch
    channel.period = -200000;                           // far beyond the table: held, not overflowed
    EXPECT_EQ(voiceFrequencyOf(channel, true), INT32_MAX);
    channel.period = 1712;
    channel.periodDelta = 0;
    EXPECT_EQ(voiceFrequencyOf(channel, false), 8362);
    channel.periodDelta = 1712;
    EXPECT_EQ(voiceFrequencyOf(channel, false), 4181);  // and lowers it in Amiga mode
}

TEST(Sequencer, GlobalVolumeReachesAVoiceAtItsNextVolumeUpdate) {
    ModuleDraft draft = moduleOf(2, {4});
    draft.patterns[0].at(0, 0) = noteCell(49, 1);
    draft.patterns[0].at(0, 1) = noteCell(49, 1);
    draft.patterns[0].at(1, 1) = noteCell(0, 0, 0, 0x10, 0x20);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.nextRow();
    EXPECT_EQ(module.voice(0).volume, 127);
    module.nextRow();
    EXPECT_EQ(module.voice(0).volume, 127);  // channel 0 was updated before the G of channel 1
    EXPECT_EQ(module.voice(1).volume, 63);
    module.tick(5);
    EXPECT_EQ(module.voice(0).volume, 127);  // no volume change on the further ticks
    module.tick();
    EXPECT_EQ(module.voice(0).volume, 63);
}

TEST(PlayerControl, PlayStopAndPlayStartsOverAtTimeZero) {
    ModuleDraft draft = moduleOf(2, {4, 4});
    draft.patterns[0].at(0, 0) = noteCell(49, 1);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    XmSong* song = module.song;
    EXPECT_EQ(xmGetTimeMs(song), 0);
    EXPECT_EQ(xmGetRow(song), 0);
    EXPECT_EQ(xmGetOrder(song), 0);
    EXPECT_EQ(song->framesLeftInTick, 0);
    for (int i = 0; i < 25; ++i) {
        module.device.advance(fragmentFrames());
        EXPECT_EQ(xmServiceOutput(), 1);
    }
    EXPECT_EQ(xmGetTimeMs(song), 25 * fragmentFrames() * 1000 / 44100);  // 501.1 ms
    EXPECT_EQ(xmGetOrder(song), 1);                                      // 22,100 frames: row 4 of rows of 5,292
    EXPECT_NE(module.voice(0).sample, nullptr);

    EXPECT_TRUE(xmStop(song));
    EXPECT_EQ(song->playing, 0);
    EXPECT_EQ(song->channels, nullptr);
    EXPECT_EQ(playingSongs.next, &playingSongs);
    EXPECT_EQ(module.voice(0).sample, nullptr);
    EXPECT_TRUE(xmStop(song));  // not playing: nothing to do

    ASSERT_TRUE(xmPlay(song));
    EXPECT_EQ(xmGetTimeMs(song), 0);
    EXPECT_EQ(xmGetRow(song), 0);
    EXPECT_EQ(xmGetOrder(song), 0);
    EXPECT_EQ(song->tick, 0);
    EXPECT_EQ(song->globalVolume, 64);
    EXPECT_EQ(song->channels[1].voice, &voicePool[1]);
    ASSERT_TRUE(xmPlay(song));  // playing: starts over
    EXPECT_EQ(playingSongs.next, song);
    EXPECT_EQ(song->next, &playingSongs);
}

TEST(PlayerControl, OneSongAtATimeAndOnlyWithAnOutput) {
    ModuleDraft draft = moduleOf(1, {2});
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    XmSong* other = loadXmBytes(buildXm(draft));
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(xmPlay(other));  // the voices belong to the playing song
    EXPECT_EQ(other->playing, 0);
    xmStopOutput();  // stops the playing song too
    EXPECT_EQ(module.song->playing, 0);
    EXPECT_FALSE(xmPlay(other));  // no voices to play on
    EXPECT_TRUE(xmFree(other));
}

TEST(PlayerControl, FreeingAPlayingSongStopsItFirst) {
    ModuleDraft draft = moduleOf(2, {2});
    draft.patterns[0].at(0, 0) = noteCell(49, 1);
    draft.patterns[0].at(0, 1) = noteCell(49, 1);
    PlayingModule module(draft);
    ASSERT_TRUE(module.ok());
    module.tick();
    ASSERT_NE(module.voice(1).sample, nullptr);
    EXPECT_TRUE(xmFree(module.song));
    module.song = nullptr;
    EXPECT_EQ(playingSongs.next, &playingSongs);
    EXPECT_EQ(voicePool[0].sample, nullptr);
    EXPECT_EQ(voicePool[1].sample, nullptr);
    module.device.advance(44100);
    xmServiceOutput();  // mixes silence, touches nothing freed
}

TEST(PlayerControl, NullHandlesAndTimeTruncation) {
    EXPECT_FALSE(xmPlay(nullptr));
    EXPECT_FALSE(xmStop(nullptr));
    EXPECT_FALSE(xmFree(nullptr));
    EXPECT_EQ(xmGetTimeMs(nullptr), 0);
    EXPECT_EQ(xmGetRow(nullptr), 0);
    EXPECT_EQ(xmGetOrder(nullptr), 0);
    XmSong song;
    song.timeSeconds = 1.9999f;
    EXPECT_EQ(xmGetTimeMs(&song), 1999);
    song.timeSeconds = 8.075999f;
    EXPECT_EQ(xmGetTimeMs(&song), 8075);
    song.timeSeconds = 3.0e9f;
    EXPECT_EQ(xmGetTimeMs(&song), INT32_MAX);
}
