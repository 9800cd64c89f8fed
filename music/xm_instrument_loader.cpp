// Instruments: the header with keymap, envelopes and auto-vibrato, then the
// sample headers and the sample data.
#include <algorithm>
#include <new>

#include "music/xm_file_reader.h"
#include "music/xm_loader_parts.h"
#include "music/xm_types.h"

namespace {

constexpr std::int32_t kMaxSamples = 16;
constexpr std::int32_t kMaxEnvelopePoints = 12;
constexpr std::uint16_t kMaxEnvelopeValue = 64;

void readEnvelope(XmFileReader& reader, EnvelopePoint* points) {
    std::uint8_t bytes[4 * kMaxEnvelopePoints];
    reader.read(bytes, sizeof bytes);
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        points[i] = {littleU16(bytes + 4 * i), littleU16(bytes + 4 * i + 2)};
    }
}

// The stepper relies on what the format promises and files do not always
// keep: at most 12 points, values 0..64, ticks that never go back, sustain and
// loop points among the points, a loop that does not end before it starts.
// Whatever breaks it is clamped or switched off.
void sanitizeEnvelope(EnvelopePoint* points, std::uint8_t& count, std::uint8_t& type, std::uint8_t sustain,
                      std::uint8_t loopStart, std::uint8_t loopEnd) {
    count = std::min<std::uint8_t>(count, kMaxEnvelopePoints);
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        points[i].value = std::min(points[i].value, kMaxEnvelopeValue);
        if (i > 0) points[i].tick = std::max(points[i].tick, points[i - 1].tick);
    }
    if (count < 2) type = 0;
    if (sustain >= count) type &= ~2;
    if (loopStart >= count || loopEnd >= count || loopEnd < loopStart) type &= ~4;
}

void sanitizeEnvelopes(XmInstrument& instrument) {
    XmInstrument& i = instrument;
    sanitizeEnvelope(i.volumeEnvelope, i.volumePointCount, i.volumeType, i.volumeSustain, i.volumeLoopStart,
                     i.volumeLoopEnd);
    sanitizeEnvelope(i.panningEnvelope, i.panningPointCount, i.panningType, i.panningSustain, i.panningLoopStart,
                     i.panningLoopEnd);
}

// Sample header size (not used: sample headers are 40 bytes), keymap,
// envelopes, then counts, sustain and loop points, types, auto-vibrato, fadeout.
void readInstrumentHeader(XmFileReader& reader, XmInstrument& instrument) {
    reader.u32();
    reader.read(instrument.keymap, 96);
    readEnvelope(reader, instrument.volumeEnvelope);
    readEnvelope(reader, instrument.panningEnvelope);
    std::uint8_t b[16];
    reader.read(b, 16);
    XmInstrument& i = instrument;
    i.volumePointCount = b[0];
    i.panningPointCount = b[1];
    i.volumeSustain = b[2];
    i.volumeLoopStart = b[3];
    i.volumeLoopEnd = b[4];
    i.panningSustain = b[5];
    i.panningLoopStart = b[6];
    i.panningLoopEnd = b[7];
    i.volumeType = b[8];
    i.panningType = b[9];
    i.vibratoType = b[10];
    i.vibratoSweep = b[11];
    i.vibratoDepth = b[12];
    i.vibratoRate = b[13];
    i.fadeout = static_cast<std::uint16_t>(littleU16(b + 14) * 2);
    sanitizeEnvelopes(instrument);
}

bool loadSamples(XmFileReader& reader, XmSong& song, std::int32_t index, SampleBudget& budget) {
    XmInstrument& instrument = song.instruments[index];
    for (std::int32_t j = 0; j < instrument.sampleCount; ++j) {
        XmSample* sample = new XmSample();
        sample->bits = 8;
        sample->loopType = 1;
        instrument.samples[j] = sample;
        if (!readSampleHeader(reader, *sample, budget)) return false;
    }
    for (std::int32_t j = 0; j < instrument.sampleCount; ++j) {
        if (!readSampleData(reader, *instrument.samples[j], song.sampleDecoder, index, j)) return false;
    }
    return true;
}

// The header length counts from the instrument's first byte; the name and
// type after it are not used.
bool loadInstrument(XmFileReader& reader, XmSong& song, std::int32_t index, SampleBudget& budget) {
    XmInstrument& instrument = song.instruments[index];
    std::fill(instrument.samples, instrument.samples + kMaxSamples, &emptySample);
    const std::int64_t start = reader.tell();
    const std::int64_t end = start + reader.u32();
    reader.skip(23);
    const std::uint16_t sampleCount = reader.u16();
    if (sampleCount > kMaxSamples) return false;
    instrument.sampleCount = sampleCount;
    if (sampleCount != 0) readInstrumentHeader(reader, instrument);
    if (!reader.seekTo(end)) return false;
    return loadSamples(reader, song, index, budget);
}

}  // namespace

bool loadInstruments(XmFileReader& reader, XmSong& song) {
    song.instruments = new (std::nothrow) XmInstrument[song.instrumentCount]();
    if (!song.instruments) return false;
    SampleBudget budget;
    for (std::int32_t i = 0; i < song.instrumentCount; ++i) {
        if (!loadInstrument(reader, song, i, budget)) return false;
    }
    return true;
}
