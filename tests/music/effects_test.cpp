// The effects, the volume column, envelopes, vibrato and tremor, tick by
// tick on one channel at speed 6.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "music/effects.h"
#include "music/mix_voice.h"
#include "music/sequencer.h"
#include "music/xm_types.h"
#include "tests/music/xm_builder.h"

namespace {

// One channel with a looped sample as instrument 1, one row per cell given
// (and four empty rows after them).
ModuleDraft oneChannel(const std::vector<NoteCell>& rows, InstrumentDraft instrument = {}) {
    if (instrument.samples.empty()) instrument = simpleInstrument(std::vector<std::int16_t>(600, 10), 1);
    ModuleDraft draft;
    draft.channels = 1;
    PatternDraft& pattern = draft.addPattern(static_cast<int>(rows.size()) + 4);
    for (std::size_t i = 0; i < rows.size(); ++i) pattern.at(static_cast<int>(i), 0) = rows[i];
    draft.instruments.push_back(instrument);
    return draft;
}

// A value of the channel or its voice after each of count ticks.
std::vector<int> trace(PlayingModule& module, int count, const std::function<int()>& value) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        module.tick();
        values.push_back(value());
    }
    return values;
}

const NoteCell kC4 = noteCell(49, 1);

NoteCell withEffect(NoteCell cell, std::uint8_t effect, std::uint8_t parameter) {
    cell.effect = effect;
    cell.parameter = parameter;
    return cell;
}

NoteCell effectOnly(std::uint8_t effect, std::uint8_t parameter) { return noteCell(0, 0, 0, effect, parameter); }

using Values = std::vector<int>;

}  // namespace

TEST(Envelopes, SustainHoldsUntilKeyOffThenTheEnvelopeGoesOn) {
    InstrumentDraft instrument = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    instrument.volumeEnvelope = {{{0, 64}, {8, 51}, {11, 0}, {63, 0}}, -1, 3, 1, 0, 0};
    PlayingModule module(oneChannel({kC4, {}, {}, {}, noteCell(97)}, instrument));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(trace(module, 12, [&] { return channel.envelopeVolume; }),
              (Values{64, 62, 60, 59, 57, 55, 54, 52, 51, 51, 51, 51}));
    EXPECT_EQ(module.voice(0).volume, 101);
    module.tick(12);
    EXPECT_EQ(channel.envelopeVolume, 51);  // held through the rows before the key off
    EXPECT_EQ(trace(module, 6, [&] { return channel.envelopeVolume; }), (Values{51, 34, 17, 0, 0, 0}));
    EXPECT_EQ(module.voice(0).volume, 0);
    EXPECT_EQ(channel.fadeoutVolume, 65536);  // fadeout 0 never fades
}

TEST(Envelopes, LoopsAndPanningEnvelope) {
    InstrumentDraft instrument = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    instrument.volumeEnvelope = {{{0, 0}, {2, 64}, {4, 0}}, -1, 5, 0, 0, 2};
    instrument.panningEnvelope = {{{0, 32}, {2, 64}, {4, 0}}, -1, 1, 0, 0, 0};
    PlayingModule module(oneChannel({kC4}, instrument));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    std::vector<int> panning;
    EXPECT_EQ(trace(module, 9,
                    [&] {
                        panning.push_back(module.voice(0).panning);
                        return channel.envelopeVolume;
                    }),
              (Values{0, 32, 64, 32, 0, 32, 64, 32, 0}));
    // Sample panning 128: four steps of the panning envelope per unit.
    EXPECT_EQ(panning, (Values{128, 192, 256, 128, 0, 0, 0, 0, 0}));
}

TEST(Envelopes, EffectLMovesTheVolumeEnvelope) {
    InstrumentDraft instrument = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    instrument.volumeEnvelope = {{{0, 64}, {8, 51}, {11, 10}, {63, 20}}, -1, 1, 0, 0, 0};
    PlayingModule module(
        oneChannel({withEffect(kC4, 0x15, 5), effectOnly(0x15, 32), effectOnly(0x15, 0x70)}, instrument));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(trace(module, 2, [&] { return channel.envelopeVolume; }), (Values{55, 54}));
    module.nextRow();
    EXPECT_EQ(channel.envelopeVolume, 14);  // between 10 at tick 11 and 20 at tick 63
    EXPECT_EQ(channel.volumeEnvelopeIndex, 3);
    module.nextRow();
    EXPECT_EQ(channel.envelopeVolume, 20);  // past the last point
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST(Arpeggio, PlaysBaseThenBothOffsetsFromTheRowTick) {
    for (std::uint16_t flags : {1, 0}) {
        ModuleDraft draft = oneChannel({withEffect(kC4, 0x00, 0x37), effectOnly(0x00, 0x37)});
        draft.flags = flags;
        PlayingModule module(draft);
        ASSERT_TRUE(module.ok());
        const Values expected = flags ? Values{8363, 9945, 12530, 8363, 9945, 12530, 8363, 9945}
                                      : Values{8362, 9949, 12536, 8362, 9949, 12536, 8362, 9949};
        EXPECT_EQ(trace(module, 8, [&] { return module.voice(0).frequency; }), expected) << flags;
    }
}

TEST(NoteDelay, ZeroNeverStartsTheNoteAndLaterTicksDo) {
    const NoteCell delayed = noteCell(53, 1, 0x30, 0x0E, 0xD2);
    PlayingModule module(oneChannel({kC4, delayed, noteCell(49, 1, 0, 0x0E, 0xD0)}));
    ASSERT_TRUE(module.ok());
    module.tick(6);
    module.voice(0).positionInt = 42;
    module.channel(0).volume = 50;
    const std::vector<int> frequencies = trace(module, 6, [&] { return module.voice(0).frequency; });
    EXPECT_EQ(frequencies, (Values{8363, 8363, 10536, 10536, 10536, 10536}));  // fires on tick 2
    EXPECT_EQ(module.voice(0).positionInt, 0);
    EXPECT_EQ(module.channel(0).volume, 32);  // with its volume column

    module.voice(0).positionInt = 42;
    module.tick(6);  // ED0: tick 0 is the row tick, which only holds the note back
    EXPECT_EQ(module.voice(0).positionInt, 42);
    EXPECT_EQ(module.voice(0).frequency, 10536);
    EXPECT_EQ(module.channel(0).volume, 32);
    EXPECT_EQ(module.channel(0).period, 4352);
}

TEST(VolumeEffects, SetAndSlide) {
    PlayingModule module(
        oneChannel({noteCell(49, 1, 0x20, 0x0C, 0x80), effectOnly(0x0C, 0x20), noteCell(0, 0, 0x30, 0x0A, 0x02),
                    effectOnly(0x0A, 0x00), effectOnly(0x0A, 0x30), effectOnly(0x0A, 0xF0)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    module.tick();
    EXPECT_EQ(channel.volume, 64);  // C80: above 64 sets 64
    module.nextRow();
    EXPECT_EQ(channel.volume, 32);
    EXPECT_EQ(module.voice(0).volume, 63);
    module.nextRow();
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{30, 28, 26, 24, 22, 22}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{20, 18, 16, 14, 12, 12}));  // memory
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{15, 18, 21, 24, 27, 27}));
    EXPECT_EQ(trace(module, 5, [&] { return channel.volume; }), (Values{42, 57, 64, 64, 64}));
}

TEST(VolumeEffects, VolumeColumnSlidesAndFineSlides) {
    PlayingModule module(oneChannel({noteCell(49, 1, 0x62), noteCell(0, 0, 0x82), noteCell(0, 0, 0x75),
                                     noteCell(0, 0, 0x95), effectOnly(0x0E, 0xB3), effectOnly(0x0E, 0xA0)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{62, 60, 58, 56, 54, 52}));  // every tick
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{50, 50, 50, 50, 50, 50}));  // first only
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{55, 60, 64, 64, 64, 64}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{64, 64, 64, 64, 64, 64}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{61, 61, 61, 61, 61, 61}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.volume; }), (Values{64, 64, 64, 64, 64, 64}));  // EA0: memory 3
}

TEST(VolumeEffects, NoteCutAndGlobalVolume) {
    PlayingModule module(
        oneChannel({withEffect(kC4, 0x0E, 0xC3), withEffect(kC4, 0x11, 0x04), effectOnly(0x10, 0x80)}));
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(trace(module, 6, [&] { return module.channel(0).volume; }), (Values{64, 64, 64, 0, 0, 0}));
    EXPECT_EQ(trace(module, 6, [&] { return module.song->globalVolume; }), (Values{64, 60, 56, 52, 48, 44}));
    EXPECT_EQ(module.voice(0).volume, 127);  // a global slide sets no volume flag
    module.tick();
    EXPECT_EQ(module.song->globalVolume, 64);  // G80: held to 64
}

TEST(Panning, SetAndSlidesStopAtTheEnds) {
    PlayingModule module(
        oneChannel({withEffect(kC4, 0x08, 0x03), noteCell(0, 0, 0xD5), effectOnly(0x08, 0xFA), noteCell(0, 0, 0xE5),
                    noteCell(0, 0, 0xC3), effectOnly(0x0E, 0x81), effectOnly(0x19, 0x0F), effectOnly(0x19, 0xF0),
                    effectOnly(0x08, 0xF0), effectOnly(0x19, 0x00)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }), (Values{3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }), (Values{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }), (Values{250, 250, 250, 250, 250, 250}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }), (Values{255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(module.voice(0).panning, 255);
    module.nextRow();
    EXPECT_EQ(channel.panning, 48);
    module.nextRow();
    EXPECT_EQ(channel.panning, 16);
    module.tick(5);
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }), (Values{16, 1, 0, 0, 0, 0}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }), (Values{0, 15, 30, 45, 60, 75}));
    module.nextRow();
    module.tick(5);
    EXPECT_EQ(trace(module, 6, [&] { return channel.panning; }),
              (Values{240, 255, 255, 255, 255, 255}));  // P00: memory
}

TEST(SampleOffset, StartsInsideTheSampleOrStopsTheVoice) {
    PlayingModule module(
        oneChannel({withEffect(kC4, 0x09, 0x02), withEffect(kC4, 0x09, 0x00), withEffect(kC4, 0x09, 0x03)}));
    ASSERT_TRUE(module.ok());
    module.tick();
    EXPECT_EQ(module.voice(0).positionInt, 512);
    EXPECT_EQ(module.voice(0).startOffset, 0u);
    module.nextRow();
    EXPECT_EQ(module.voice(0).positionInt, 512);  // 900: the last offset
    module.nextRow();
    EXPECT_EQ(module.voice(0).sample, nullptr);  // 768 is past the 600-frame loop end
    EXPECT_EQ(module.voice(0).startOffset, 0u);
}

TEST(Vibrato, SineSwingsSymmetricallyUpToDepthFifteen) {
    PlayingModule module(oneChannel({withEffect(kC4, 0x04, 0x8F), effectOnly(0x04, 0x00)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(trace(module, 12, [&] { return channel.periodDelta; }),
              (Values{0, 0, -84, -116, -84, 0, 84, 84, 116, 84, 0, -84}));
    EXPECT_EQ(channel.period, 4608);
}

TEST(Vibrato, RampSquareAndVolumeColumn) {
    PlayingModule module(oneChannel({withEffect(kC4, 0x0E, 0x42), effectOnly(0x04, 0x8F), effectOnly(0x0E, 0x41),
                                     effectOnly(0x04, 0x00), noteCell(0, 0, 0xB8)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    module.tick(6);
    EXPECT_EQ(trace(module, 6, [&] { return channel.periodDelta; }), (Values{-116, -116, -116, -116, -116, 116}));
    module.tick(6);  // E41: ramp; the position goes on from -24
    // Ramp at -24: 255 - 64 = 191; -16: 127; -8: 63; 0: 0; 8: 64.
    EXPECT_EQ(trace(module, 6, [&] { return channel.periodDelta; }), (Values{88, 88, 56, 28, 0, -28}));
    // Vibrato from the volume column on the further ticks only, depth 8 (ramp 128, 192).
    EXPECT_EQ(trace(module, 3, [&] { return channel.periodDelta; }), (Values{0, -32, -48}));
}

TEST(Portamento, SlidesStopAtTheirLimits) {
    PlayingModule module(oneChannel({withEffect(kC4, 0x01, 0xFF), withEffect(kC4, 0x02, 0x10), effectOnly(0x02, 0x00),
                                     withEffect(kC4, 0x0E, 0x12), effectOnly(0x0E, 0x22), effectOnly(0x21, 0x13),
                                     effectOnly(0x21, 0x10), effectOnly(0x21, 0x22)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4608, 3588, 2568, 1548, 528, 56}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4608, 4672, 4736, 4800, 4864, 4928}));
    EXPECT_EQ(trace(module, 2, [&] { return channel.period; }), (Values{4928, 4992}));  // memory
    module.tick(4);
    // Fine slides act on the first tick only.
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4600, 4600, 4600, 4600, 4600, 4600}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4608, 4608, 4608, 4608, 4608, 4608}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4605, 4605, 4605, 4605, 4605, 4605}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4602, 4602, 4602, 4602, 4602, 4602}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4604, 4604, 4604, 4604, 4604, 4604}));
}

TEST(Portamento, ToneReachesItsTargetExactly) {
    PlayingModule module(
        oneChannel({kC4, withEffect(noteCell(51, 1), 0x03, 0x05), effectOnly(0x03, 0x00), noteCell(49, 1, 0xF2)}));
    ASSERT_TRUE(module.ok());
    const XmChannel& channel = module.channel(0);
    module.tick(6);
    module.voice(0).positionInt = 42;
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4608, 4588, 4568, 4548, 4528, 4508}));
    EXPECT_EQ(trace(module, 6, [&] { return channel.period; }), (Values{4508, 4488, 4480, 4480, 4480, 4480}));
    EXPECT_EQ(module.voice(0).positionInt, 42);  // the notes beside 3xx never restarted
    EXPECT_EQ(module.voice(0).frequency, 9387);
    module.nextRow();  // the volume column's portamento sets the period at once, without a restart
    EXPECT_EQ(channel.period, 4608);
    EXPECT_EQ(channel.portaSpeed, 32);
    EXPECT_EQ(module.voice(0).positionInt, 42);
}

TEST(Retrigger, MultiRetrigVolumeTable) {
    const int expected[16] = {30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60};
    for (int type = 1; type < 16; ++type) EXPECT_EQ(multiRetrigVolume(30, type), expected[type]) << type;
    EXPECT_EQ(multiRetrigVolume(40, 15), 64);
    EXPECT_EQ(multiRetrigVolume(50, 14), 64);
    EXPECT_EQ(multiRetrigVolume(10, 5), 0);
    EXPECT_EQ(multiRetrigVolume(1, 6), 0);
}

TEST(Retrigger, RestartsOnItsTicks) {
    PlayingModule module(
        oneChannel({withEffect(kC4, 0x1B, 0x13), withEffect(kC4, 0x0E, 0x93), withEffect(kC4, 0x1B, 0x02)}));
    ASSERT_TRUE(module.ok());
    for (int row = 0; row < 3; ++row) {
        module.tick();
        std::vector<int> restarts;
        for (int tick = 1; tick < 6; ++tick) {
            module.voice(0).positionInt = 42;
            module.tick();
            if (module.voice(0).positionInt == 0) restarts.push_back(tick);
        }
        const Values expected = row == 2 ? Values{2, 4} : Values{3};  // R02: every second tick, volume kept
        EXPECT_EQ(restarts, expected) << row;
        EXPECT_EQ(module.channel(0).volume, row == 0 ? 63 : 64) << row;
    }
}

TEST(Tremor, OnAndOffTicks) {
    PlayingModule module(oneChannel({withEffect(kC4, 0x1D, 0x21), effectOnly(0x1D, 0x00)}));
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(trace(module, 12, [&] { return module.voice(0).volume; }),
              (Values{127, 127, 127, 0, 0, 127, 127, 127, 0, 0, 127, 127}));
    EXPECT_EQ(module.channel(0).volume, 64);
}

TEST(Tremor, AShorterCycleStartsOverInsteadOfFallingSilent) {
    PlayingModule module(oneChannel({withEffect(kC4, 0x1D, 0x77), effectOnly(0x1D, 0x77), effectOnly(0x1D, 0x10)}));
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(trace(module, 12, [&] { return module.voice(0).volume; }),
              (Values{127, 127, 127, 127, 127, 127, 127, 127, 0, 0, 0, 0}));
    // The count (12) is past the new cycle of 2 + 1: it starts over.
    EXPECT_EQ(trace(module, 6, [&] { return module.voice(0).volume; }), (Values{0, 127, 127, 0, 127, 127}));
}

TEST(AutoVibrato, WaveformsSweepAndPeaks) {
    const Values expected[5] = {{0, 15, 0, -16}, {16, 16, -16, -16}, {0, -8, 16, 8}, {0, 8, 16, -8}, {0, 0, 0, 0}};
    for (std::uint8_t type = 0; type < 5; ++type) {
        InstrumentDraft instrument = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
        instrument.vibratoType = type;  // above 3: no waveform
        instrument.vibratoDepth = 16;
        instrument.vibratoRate = 64;
        PlayingModule module(oneChannel({kC4}, instrument));
        ASSERT_TRUE(module.ok());
        EXPECT_EQ(trace(module, 4, [&] { return module.channel(0).periodDelta; }), expected[type]) << int(type);
    }

    InstrumentDraft swept = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    swept.vibratoType = 1;
    swept.vibratoDepth = 16;
    swept.vibratoSweep = 4;
    PlayingModule module(oneChannel({kC4}, swept));
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(trace(module, 6, [&] { return module.channel(0).periodDelta; }), (Values{0, 4, 8, 12, 16, 16}));

    InstrumentDraft deep = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    deep.vibratoDepth = 64;
    deep.vibratoRate = 1;
    std::vector<NoteCell> rows(50);  // the note once in 256 ticks
    rows[0] = kC4;
    PlayingModule sine(oneChannel(rows, deep));
    ASSERT_TRUE(sine.ok());
    const Values deltas = trace(sine, 256, [&] { return sine.channel(0).periodDelta; });
    EXPECT_EQ(*std::max_element(deltas.begin(), deltas.end()), 63);
    EXPECT_EQ(*std::min_element(deltas.begin(), deltas.end()), -63);
    EXPECT_EQ(deltas[64], 63);
}

TEST(ExtendedEffects, FinetuneAndVibratoControl) {
    PlayingModule module(
        oneChannel({withEffect(kC4, 0x0E, 0x58), withEffect(kC4, 0x0E, 0x44), effectOnly(0x04, 0x4F), kC4}));
    ASSERT_TRUE(module.ok());
    module.tick();
    EXPECT_EQ(module.channel(0).period, 4608);  // the note was read before E58
    module.nextRow();
    EXPECT_EQ(module.channel(0).period, 4604);  // later notes use finetune 8
    EXPECT_EQ(module.voice(0).frequency, 8393);
    module.nextRow();
    module.nextRow();  // a new instrument keeps the position with a vibrato control of 4 or more
    EXPECT_EQ(module.channel(0).vibratoPosition, 20);
}

TEST(Guards, StrayValuesStayInTheirRanges) {
    XmChannel channel{};
    channel.period = (1 << 20) - 10;
    slidePeriod(channel, 1020);  // endless slides stop far outside hearing instead of overflowing
    EXPECT_EQ(channel.period, 1 << 20);
    channel.period = -(1 << 20) + 3;
    slidePeriod(channel, -60);
    EXPECT_EQ(channel.period, -(1 << 20));

    // L before the envelope's first point holds that point until its tick,
    // then the envelope runs on as from the point: 64 x 65536 / 10 = 419430
    // per tick, 64 on tick 20. The line drawn back from the first point would
    // start at -64.
    InstrumentDraft late = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    late.volumeEnvelope = {{{10, 0}, {20, 64}}, -1, 1, 0, 0, 0};
    PlayingModule module(oneChannel({withEffect(kC4, 0x15, 0x00)}, late));
    ASSERT_TRUE(module.ok());
    module.tick();
    EXPECT_EQ(module.channel(0).envelopeVolume, 0);
    EXPECT_EQ(module.voice(0).volume, 0);
    EXPECT_EQ(trace(module, 21, [&] { return module.channel(0).envelopeVolume; }),
              (Values{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 12, 19, 25, 31, 38, 44, 51, 57, 64}));
    // Far before a steep first segment: (0 - 1000) x 64 x 65536 does not fit 32 bits.
    InstrumentDraft steep = simpleInstrument(std::vector<std::int16_t>(100, 10), 1);
    steep.volumeEnvelope = {{{1000, 0}, {1001, 64}}, -1, 1, 0, 0, 0};
    PlayingModule far(oneChannel({withEffect(kC4, 0x15, 0x00)}, steep));
    ASSERT_TRUE(far.ok());
    far.tick(2);
    EXPECT_EQ(far.channel(0).envelopeVolume, 0);
    EXPECT_EQ(far.channel(0).volumeEnvelopeValue, 0);
    EXPECT_EQ(far.voice(0).volume, 0);

    // E5y on a missing instrument leaves the shared empty sample alone.
    PlayingModule missing(oneChannel({noteCell(49, 7, 0, 0x0E, 0x58)}));
    ASSERT_TRUE(missing.ok());
    missing.tick();
    EXPECT_EQ(emptySample.finetune, 0);
}
