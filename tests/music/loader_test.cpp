// The XM loader: fields and conversions, refusals, and files that end early
// or lie about their sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "music/mix_voice.h"
#include "music/sequencer.h"
#include "music/xm_loader_parts.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "tests/music/xm_builder.h"

namespace {

struct SongDeleter {
    void operator()(XmSong* song) const { xmFree(song); }
};
using SongPtr = std::unique_ptr<XmSong, SongDeleter>;

SongPtr load(const ModuleDraft& draft) { return SongPtr(loadXmBytes(buildXm(draft))); }

ModuleDraft twoChannelModule() {
    ModuleDraft draft;
    draft.addPattern(4);
    return draft;
}

bool sameCell(const NoteCell& a, const NoteCell& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// One sample in an instrument of its own.
ModuleDraft moduleWithSample(const SampleDraft& sample) {
    ModuleDraft draft = twoChannelModule();
    InstrumentDraft instrument;
    instrument.samples.push_back(sample);
    draft.instruments.push_back(instrument);
    return draft;
}

const XmSample& firstSample(const XmSong& song) { return *song.instruments[0].samples[0]; }

}  // namespace

TEST(XmLoader, ReadsTheSongHeader) {
    ModuleDraft draft;
    draft.orders = {0, 1, 0};
    draft.restartPosition = 1;
    draft.channels = 3;
    draft.speed = 8;
    draft.bpm = 208;
    draft.addPattern(4);
    draft.addPattern(2);
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 3);
    EXPECT_EQ(song->restartPosition, 1);
    EXPECT_EQ(song->channelCount, 3);
    EXPECT_EQ(song->patternsUsed, 2);
    EXPECT_EQ(song->patternCount, 2);
    EXPECT_EQ(song->defaultSpeed, 8);
    EXPECT_EQ(song->defaultBpm, 208);
    EXPECT_EQ(song->flags, 1);
    EXPECT_EQ(song->initialGlobalVolume, 64);
    EXPECT_EQ(song->tickHandler, &xmTick);
    EXPECT_EQ(song->playing, 0);
    EXPECT_EQ(song->channels, nullptr);
    EXPECT_EQ(song->next, song.get());
    EXPECT_EQ(song->prev, song.get());
    EXPECT_EQ(song->patterns[0].rows, 4);
    EXPECT_EQ(song->patterns[1].rows, 2);
}

TEST(XmLoader, HoldsHeaderValuesToWhatPlays) {
    ModuleDraft draft = twoChannelModule();
    draft.songLength = 0;
    draft.bpm = 0;
    draft.speed = 0;
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 1);       // no orders: order 0 plays
    EXPECT_EQ(song->defaultBpm, 125);     // BPM 0 has no tick length
    EXPECT_EQ(song->defaultSpeed, 0);     // every tick a row

    draft.songLength = 300;
    draft.restartPosition = 256;
    draft.bpm = 1000;
    song = load(draft);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 256);
    EXPECT_EQ(song->restartPosition, 0);  // outside the orders: start over
    EXPECT_EQ(song->defaultBpm, 255);
}

TEST(XmLoader, UnpacksCellsInBothForms) {
    ModuleDraft draft;
    PatternDraft& packed = draft.addPattern(3);
    packed.at(0, 0) = noteCell(49, 1, 0x40, 0x0C, 0x20);
    packed.at(0, 1) = noteCell(0, 0, 0, 0x0F, 3);
    packed.at(1, 0) = noteCell(97);                  // key off
    packed.at(1, 1) = noteCell(98, 129);              // beyond the notes and instruments: none
    packed.at(2, 0) = noteCell(127, 128);
    packed.at(2, 1) = noteCell(96, 1, 0, 0x21, 0x12);
    PatternDraft unpacked = packed;
    unpacked.unpacked = true;
    draft.patterns.push_back(unpacked);
    draft.orders = {0, 1};
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    const NoteCell expected[6] = {noteCell(49, 1, 0x40, 0x0C, 0x20), noteCell(0, 0, 0, 0x0F, 3),
                                  noteCell(kKeyOffNote), noteCell(0, 0), noteCell(0, 128),
                                  noteCell(96, 1, 0, 0x21, 0x12)};
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < 6; ++i) EXPECT_TRUE(sameCell(song->patterns[p].cells[i], expected[i])) << p << " " << i;
    }
}

// A note byte of 0x80 or more can only be stored in the packed form.
TEST(XmLoader, StoredKeyOffStaysKeyOffAndNotesBetweenAreNone) {
    ModuleDraft draft;
    PatternDraft& pattern = draft.addPattern(2);
    pattern.at(0, 0) = noteCell(kKeyOffNote, 1);
    pattern.at(0, 1) = noteCell(254, 2);
    pattern.at(1, 0) = noteCell(98);
    pattern.at(1, 1) = noteCell(97);
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    const NoteCell expected[4] = {noteCell(kKeyOffNote, 1), noteCell(0, 2), noteCell(0), noteCell(kKeyOffNote)};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(sameCell(song->patterns[0].cells[i], expected[i])) << i;
}

TEST(XmLoader, PatternsWithoutDataAndMissingPatterns) {
    ModuleDraft draft;
    for (int i = 0; i < 11; ++i) draft.addPattern(2).at(1, 1) = noteCell(50);
    draft.patterns[3].cells.clear();  // packed size 0: empty rows
    draft.patterns[4] = PatternDraft{0, 2, {}, false};  // no rows
    draft.orders = {0, 20, 3};
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patternsUsed, 21);
    EXPECT_EQ(song->patternCount, 21);
    EXPECT_EQ(song->patterns[2].cells[3].note, 50);
    EXPECT_EQ(song->patterns[3].rows, 2);
    EXPECT_EQ(song->patterns[3].cells[3].note, 0);
    EXPECT_EQ(song->patterns[4].rows, 64);  // a pattern of no rows reads as a new one
    EXPECT_EQ(song->patterns[5].cells[3].note, 50);  // and the file stays in step
    for (int i = 11; i <= 20; ++i) {
        ASSERT_EQ(song->patterns[i].rows, 64);
        for (int c = 0; c < 128; ++c) ASSERT_TRUE(sameCell(song->patterns[i].cells[c], NoteCell{}));
    }
}

TEST(XmLoader, RefusesWhatItCannotPlay) {
    ModuleDraft draft = twoChannelModule();
    std::vector<std::uint8_t> bytes = buildXm(draft);
    ASSERT_TRUE(SongPtr(loadXmBytes(bytes)));
    bytes[9] = 'm';  // "Extended module: "
    EXPECT_FALSE(SongPtr(loadXmBytes(bytes)));

    draft.channels = 257;
    draft.patterns.clear();
    EXPECT_FALSE(load(draft));
    draft.channels = 256;
    draft.addPattern(1);
    EXPECT_TRUE(load(draft));

    ModuleDraft many = twoChannelModule();
    many.filePatternCount = 257;
    EXPECT_FALSE(load(many));

    ModuleDraft tall;
    tall.addPattern(257);
    EXPECT_FALSE(load(tall));
    tall.patterns[0] = PatternDraft{256, 2, {}, false};
    tall.patterns[0].at(255, 1) = noteCell(1);
    SongPtr song = load(tall);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].cells[511].note, 1);

    ModuleDraft samples = twoChannelModule();
    samples.instruments.push_back(InstrumentDraft{});
    samples.instruments[0].samples.resize(17);
    EXPECT_FALSE(load(samples));
    samples.instruments[0].samples.resize(16);
    EXPECT_TRUE(load(samples));

    ModuleDraft instruments = twoChannelModule();
    instruments.instruments.resize(257);
    EXPECT_FALSE(load(instruments));
}

TEST(XmLoader, RefusesWithoutFileOrRoutines) {
    useMemoryFiles();
    EXPECT_EQ(xmLoad("nothing open", nullptr), nullptr);  // the open routine finds no file
    xmSetFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(fileCallbacksSet());
    useMemoryFiles();
    EXPECT_TRUE(fileCallbacksSet());
}

TEST(XmLoader, RefusesMoreThanTheBudgetOfSamples) {
    SampleDraft sample;
    sample.sixteenBit = true;
    sample.lengthBytes = kSampleBudgetBytes;  // 64 MiB decoded: 32 Mi frames
    SongPtr song = load(moduleWithSample(sample));
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).length, kSampleBudgetBytes / 2);
    song.reset();
    sample.lengthBytes += 2;
    EXPECT_FALSE(load(moduleWithSample(sample)));
    sample.sixteenBit = false;
    sample.lengthBytes = std::int64_t{0xFFFFFFFF};
    EXPECT_FALSE(load(moduleWithSample(sample)));
}

TEST(XmLoader, ConvertsSampleLengthsAndLoops) {
    SampleDraft wide;
    wide.sixteenBit = true;
    wide.frames.assign(500, 0);
    wide.loopBits = 1;
    wide.loopStart = 200;
    wide.loopLength = 600;
    SongPtr song = load(moduleWithSample(wide));
    ASSERT_TRUE(song);
    const XmSample& s = firstSample(*song);
    EXPECT_EQ(s.length, 500);  // 1000 bytes
    EXPECT_EQ(s.loopStart, 100);
    EXPECT_EQ(s.loopLength, 300);
    EXPECT_EQ(s.loopType, 2);
    EXPECT_EQ(s.bits, 16);

    struct Case {
        std::uint8_t loopBits;
        std::uint32_t loopStart, loopLength;
        std::uint8_t loopType;
        std::int32_t expectedStart, expectedLength;
    };
    const Case cases[] = {
        {1, 4, 0, 1, 0, 10},    // empty forward loop: one-shot over the whole sample
        {0, 3, 5, 1, 0, 10},    // no loop: the loop fields cover the sample
        {3, 2, 4, 4, 2, 4},     // both bits: ping-pong
        {1, 6, 100, 2, 6, 4},   // loop past the end: cut at the end
        {2, 50, 5, 1, 0, 10},   // loop starting past the end: nothing left, one-shot
    };
    for (const Case& c : cases) {
        SampleDraft sample;
        sample.frames.assign(10, 1);
        sample.loopBits = c.loopBits;
        sample.loopStart = c.loopStart;
        sample.loopLength = c.loopLength;
        song = load(moduleWithSample(sample));
        ASSERT_TRUE(song);
        const XmSample& t = firstSample(*song);
        EXPECT_EQ(t.loopType, c.loopType) << int(c.loopBits) << " " << c.loopStart;
        EXPECT_EQ(t.loopStart, c.expectedStart) << int(c.loopBits) << " " << c.loopStart;
        EXPECT_EQ(t.loopLength, c.expectedLength) << int(c.loopBits) << " " << c.loopStart;
    }
}

TEST(XmLoader, ReadsSampleFieldsAndLeavesEmptySamplesWithoutData) {
    SampleDraft sample;
    sample.frames.assign(4, 0);
    sample.volume = 80;
    sample.finetune = -16;
    sample.panning = 200;
    sample.relativeNote = -12;
    ModuleDraft draft = moduleWithSample(sample);
    draft.instruments[0].samples.push_back(SampleDraft{});  // length 0
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    const XmSample& s = firstSample(*song);
    EXPECT_EQ(s.volume, 80);  // as stored; the voice volume is held to 0..127
    EXPECT_EQ(s.finetune, -16);
    EXPECT_EQ(s.panning, 200);
    EXPECT_EQ(s.relativeNote, -12);
    const XmSample& empty = *song->instruments[0].samples[1];
    EXPECT_EQ(empty.length, 0);
    EXPECT_EQ(empty.data, nullptr);
    EXPECT_EQ(empty.loopType, 1);
}

TEST(XmLoader, DecodesSampleDataWithGuardFrames) {
    ModuleDraft draft = twoChannelModule();
    const std::vector<std::int16_t> narrow = {0, 10, -5, 127, -128, 1};
    const std::vector<std::int16_t> wide = {1000, -32768, 32767, 0, -1, 77};
    for (std::uint8_t loopBits : {0, 1, 2}) {
        InstrumentDraft instrument;
        for (bool sixteenBit : {false, true}) {
            SampleDraft sample;
            sample.sixteenBit = sixteenBit;
            sample.frames = sixteenBit ? wide : narrow;
            sample.loopBits = loopBits;
            sample.loopStart = sixteenBit ? 4 : 2;  // frames 2..4
            sample.loopLength = sixteenBit ? 6 : 3;
            instrument.samples.push_back(sample);
        }
        draft.instruments.push_back(instrument);
    }
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    for (int i = 0; i < 3; ++i) {
        const XmSample& s8 = *song->instruments[i].samples[0];
        const XmSample& s16 = *song->instruments[i].samples[1];
        const int end = i == 0 ? 6 : 5;  // loop end, or the sample's end for a one-shot
        for (int k = 0; k < end; ++k) {
            EXPECT_EQ(s8.data[k], narrow[k] * 256) << i << " " << k;
            EXPECT_EQ(s16.data[k], wide[k]) << i << " " << k;
        }
        const int guard = i == 2 ? end - 1 : s8.loopStart;  // ping-pong repeats its last frame
        EXPECT_EQ(s8.data[end], s8.data[guard]) << i;
        EXPECT_EQ(s16.data[end], s16.data[guard]) << i;
        EXPECT_EQ(s16.data[6], i == 0 ? wide[0] : 0);
        EXPECT_EQ(s16.data[7], 0);
    }
}

// Bytes past the end of the file read as zero before delta decoding, so every
// frame the file lacks repeats the last sum; a 16-bit frame cut in half keeps
// its low byte.
TEST(XmLoader, SampleDataCutShortRepeatsTheLastSum) {
    const std::vector<std::int16_t> frames = {100, -200, 300, 1234, -7, 55};
    for (bool sixteenBit : {false, true}) {
        SampleDraft sample;
        sample.sixteenBit = sixteenBit;
        sample.frames = frames;
        if (!sixteenBit) sample.frames = {10, -20, 30, 123, -7, 55};
        std::vector<std::uint8_t> bytes = buildXm(moduleWithSample(sample));
        bytes.resize(bytes.size() - 3);  // 8-bit: three frames lost; 16-bit: one and a half
        SongPtr song(loadXmBytes(bytes));
        ASSERT_TRUE(song);
        const XmSample& s = firstSample(*song);
        ASSERT_EQ(s.length, 6);
        if (sixteenBit) {
            const auto lowByte = static_cast<std::uint8_t>(static_cast<std::uint16_t>(-7 - 1234));
            const auto cut = static_cast<std::int16_t>(1234 + lowByte);
            const std::vector<std::int16_t> expected = {100, -200, 300, 1234, cut, cut};
            EXPECT_EQ(std::vector<std::int16_t>(s.data, s.data + 6), expected);
        } else {
            const std::vector<std::int16_t> expected = {2560, -5120, 7680, 7680, 7680, 7680};
            EXPECT_EQ(std::vector<std::int16_t>(s.data, s.data + 6), expected);
        }
        EXPECT_EQ(s.data[7], 0);  // the spare frames after the guard
    }
}

namespace {
struct DecoderCall {
    std::int32_t byteCount;
    int bits, instrument, sample;
};
std::vector<DecoderCall> decoderCalls;

void countingDecoder(void* destination, std::int32_t byteCount, int bits, int instrument, int sample) {
    decoderCalls.push_back({byteCount, bits, instrument, sample});
    auto* bytes = static_cast<std::uint8_t*>(destination);
    for (std::int32_t i = 0; i < byteCount; ++i) bytes[i] = static_cast<std::uint8_t>(i + 1);
}
}  // namespace

TEST(XmLoader, SampleDecoderReplacesTheFileBytes) {
    ModuleDraft draft = twoChannelModule();
    InstrumentDraft first;
    first.samples.resize(2);
    first.samples[0].frames.assign(3, 5);
    first.samples[1].frames.assign(2, 9);
    first.samples[1].sixteenBit = true;
    draft.instruments.push_back(first);
    draft.instruments.push_back(simpleInstrument({4, 8}));
    decoderCalls.clear();
    SongPtr song(loadXmBytes(buildXm(draft), countingDecoder));
    ASSERT_TRUE(song);
    ASSERT_EQ(decoderCalls.size(), 3u);
    EXPECT_EQ(decoderCalls[0].byteCount, 3);
    EXPECT_EQ(decoderCalls[0].bits, 8);
    EXPECT_EQ(decoderCalls[1].byteCount, 4);
    EXPECT_EQ(decoderCalls[1].bits, 16);
    EXPECT_EQ(decoderCalls[1].sample, 1);
    EXPECT_EQ(decoderCalls[2].instrument, 1);
    // As decoded, not delta-decoded: 8-bit bytes into the high byte, 16-bit as they are.
    const XmSample& narrow = *song->instruments[0].samples[0];
    EXPECT_EQ(narrow.data[0], 1 * 256);
    EXPECT_EQ(narrow.data[2], 3 * 256);
    EXPECT_EQ(song->instruments[0].samples[1]->data[1], 0x0403);
    // The file position moved past each sample's bytes.
    EXPECT_EQ(song->instruments[1].sampleCount, 1);
    EXPECT_EQ(song->instruments[1].samples[0]->length, 2);
}

TEST(XmLoader, ReadsInstrumentHeaders) {
    ModuleDraft draft = twoChannelModule();
    draft.instruments.push_back(InstrumentDraft{});  // no samples: nothing read after the header
    InstrumentDraft second = simpleInstrument({1, 2, 3});
    second.samples.push_back(second.samples[0]);
    for (int k = 0; k < 96; ++k) second.keymap[k] = static_cast<std::uint8_t>(k % 3 == 0 ? 1 : k % 3 == 1 ? 0 : 17);
    second.volumeEnvelope = {{{0, 64}, {8, 51}, {11, 0}, {63, 0}}, -1, 3, 1, 0, 0};
    second.panningEnvelope = {{{0, 32}, {10, 0}}, -1, 5, 0, 0, 1};
    second.vibratoType = 2;
    second.vibratoSweep = 3;
    second.vibratoDepth = 4;
    second.vibratoRate = 5;
    second.fadeout = 0x8001;
    draft.instruments.push_back(second);
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    const XmInstrument& empty = song->instruments[0];
    EXPECT_EQ(empty.sampleCount, 0);
    for (XmSample* slot : empty.samples) EXPECT_EQ(slot, &emptySample);
    const XmInstrument& i = song->instruments[1];
    EXPECT_EQ(i.sampleCount, 2);
    for (int j = 2; j < 16; ++j) EXPECT_EQ(i.samples[j], &emptySample);
    EXPECT_EQ(i.samples[0]->data[1], 2 * 256);
    EXPECT_EQ(i.keymap[3], 1);
    EXPECT_EQ(i.keymap[5], 17);  // kept; the sequencer maps it to the empty sample
    EXPECT_EQ(i.volumePointCount, 4);
    EXPECT_EQ(i.volumeEnvelope[1].tick, 8);
    EXPECT_EQ(i.volumeEnvelope[1].value, 51);
    EXPECT_EQ(i.volumeType, 3);
    EXPECT_EQ(i.volumeSustain, 1);
    EXPECT_EQ(i.panningType, 5);
    EXPECT_EQ(i.panningLoopEnd, 1);
    EXPECT_EQ(i.vibratoType, 2);
    EXPECT_EQ(i.vibratoSweep, 3);
    EXPECT_EQ(i.vibratoDepth, 4);
    EXPECT_EQ(i.vibratoRate, 5);
    EXPECT_EQ(i.fadeout, 2);  // doubled with 16-bit wrap
}

TEST(XmLoader, KeepsEnvelopesInsideTheirPoints) {
    struct Case {
        EnvelopeDraft envelope;
        std::uint8_t expectedCount, expectedType;
    };
    std::vector<EnvelopePoint> twelve;
    for (std::uint16_t k = 0; k < 12; ++k) twelve.push_back({static_cast<std::uint16_t>(4 * k), 10});
    const Case cases[] = {
        {{twelve, 14, 1, 0, 0, 0}, 12, 1},                       // more than 12 points
        {{{{0, 64}}, -1, 7, 0, 0, 0}, 1, 0},                     // one point: off
        {{{{0, 64}, {4, 0}}, -1, 3, 2, 0, 0}, 2, 1},             // sustain beyond the points
        {{{{0, 64}, {4, 0}, {8, 9}}, -1, 5, 0, 1, 3}, 3, 1},     // loop end beyond the points
        {{{{0, 64}, {4, 0}, {8, 9}}, -1, 5, 0, 2, 1}, 3, 1},     // loop ending before it starts
        {{{{0, 64}, {4, 0}, {8, 9}}, -1, 7, 2, 1, 2}, 3, 7},     // all inside: kept
    };
    for (const Case& c : cases) {
        ModuleDraft draft = twoChannelModule();
        InstrumentDraft instrument = simpleInstrument({1});
        instrument.volumeEnvelope = c.envelope;
        instrument.panningEnvelope = c.envelope;
        draft.instruments.push_back(instrument);
        SongPtr song = load(draft);
        ASSERT_TRUE(song);
        const XmInstrument& i = song->instruments[0];
        EXPECT_EQ(i.volumePointCount, c.expectedCount);
        EXPECT_EQ(i.volumeType, c.expectedType) << int(c.envelope.type);
        EXPECT_EQ(i.panningType, c.expectedType) << int(c.envelope.type);
    }

    ModuleDraft draft = twoChannelModule();
    InstrumentDraft instrument = simpleInstrument({1});
    instrument.volumeEnvelope = {{{0, 200}, {10, 30}, {5, 64}, {20, 0}}, -1, 1, 0, 0, 0};
    draft.instruments.push_back(instrument);
    SongPtr song = load(draft);
    ASSERT_TRUE(song);
    const EnvelopePoint* points = song->instruments[0].volumeEnvelope;
    EXPECT_EQ(points[0].value, 64);  // values above 64 held
    EXPECT_EQ(points[2].tick, 10);   // ticks never go back
    EXPECT_EQ(points[3].tick, 20);
}

namespace {

// A module using most of what the loader reads: two patterns, envelopes,
// 8- and 16-bit samples with loops.
std::vector<std::uint8_t> richModule() {
    ModuleDraft draft;
    draft.channels = 4;
    draft.orders = {0, 1, 0};
    PatternDraft& first = draft.addPattern(8);
    first.at(0, 0) = noteCell(49, 1, 0x40, 0x04, 0x48);
    first.at(0, 1) = noteCell(61, 2, 0, 0x0E, 0x61);
    first.at(2, 2) = noteCell(25, 1, 0xC4, 0x0A, 0x0F);
    first.at(4, 3) = noteCell(97, 0, 0, 0x0D, 0x05);
    PatternDraft& second = draft.addPattern(6);
    second.at(1, 0) = noteCell(37, 2, 0, 0x03, 0x10);
    second.at(3, 1) = noteCell(0, 0, 0, 0x0B, 0x00);
    InstrumentDraft looped = simpleInstrument({0, 40, 80, 40, 0, -40, -80, -40}, 1);
    looped.volumeEnvelope = {{{0, 64}, {8, 51}, {11, 0}, {63, 0}}, -1, 7, 1, 1, 2};
    looped.panningEnvelope = {{{0, 32}, {10, 0}, {20, 64}}, -1, 5, 0, 0, 2};
    looped.vibratoDepth = 8;
    looped.vibratoRate = 16;
    looped.fadeout = 300;
    draft.instruments.push_back(looped);
    InstrumentDraft wide = simpleInstrument({});
    wide.samples[0].sixteenBit = true;
    wide.samples[0].frames = {0, 9000, -9000, 3000, 100, -100};
    wide.samples[0].loopBits = 2;
    wide.samples[0].loopStart = 2;
    wide.samples[0].loopLength = 8;
    draft.instruments.push_back(wide);
    return buildXm(draft);
}

// Plays a few hundred ticks and checks the sequencer stays inside the song;
// false when the module did not play.
bool playBriefly(const std::vector<std::uint8_t>& bytes) {
    PlayingModule module(bytes);
    if (!module.ok()) return false;
    const XmSong& song = *module.song;
    for (int i = 0; i < 400; ++i) {
        module.tick();
        EXPECT_LT(song.orderPosition, song.songLength);
        EXPECT_LT(song.orderTable[song.orderPosition], song.patternCount);
        for (int c = 0; c < song.channelCount; ++c) {
            EXPECT_GE(module.voice(c).volume, 0);
            EXPECT_LE(module.voice(c).volume, 127);
        }
    }
    return true;
}

}  // namespace

TEST(XmLoader, FilesEndingAnywhereLoadOrAreRefused) {
    const std::vector<std::uint8_t> full = richModule();
    int loaded = 0;
    for (std::size_t size = 0; size <= full.size(); ++size) {
        const std::vector<std::uint8_t> prefix(full.begin(), full.begin() + size);
        SongPtr song(loadXmBytes(prefix));
        EXPECT_EQ(song != nullptr, size >= 80) << size;  // the song header ends at byte 80
        loaded += song != nullptr;
        song.reset();
        if (size % 7 == 0) playBriefly(prefix);
    }
    EXPECT_TRUE(playBriefly(full));
    EXPECT_EQ(loaded, static_cast<int>(full.size()) - 79);
}

TEST(XmLoader, CorruptFilesLoadOrAreRefused) {
    const std::vector<std::uint8_t> full = richModule();
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bytes = full;
        const int flips = 1 + next() % 8;
        for (int i = 0; i < flips; ++i) {
            // Mostly after the signature, where a corrupt file would still be read.
            const std::size_t at = 17 + next() % (bytes.size() - 17);
            bytes[at] = static_cast<std::uint8_t>(next() >> 24);
        }
        SongPtr song(loadXmBytes(bytes));
        loaded += song != nullptr;
        song.reset();
        playBriefly(bytes);
    }
    EXPECT_GT(loaded, 0);
}
