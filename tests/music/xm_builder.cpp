#include "tests/music/xm_builder.h"

#include <algorithm>
#include <cstring>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/sequencer.h"
#include "music/xm_player.h"

namespace {

class ByteWriter {
public:
    void u8(std::uint32_t value) { bytes.push_back(static_cast<std::uint8_t>(value)); }
    void u16(std::uint32_t value) {
        u8(value);
        u8(value >> 8);
    }
    void u32(std::uint32_t value) {
        u16(value);
        u16(value >> 16);
    }
    void text(const char* value, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) u8(i < std::strlen(value) ? value[i] : 0);
    }
    void zeros(std::size_t count) { bytes.insert(bytes.end(), count, 0); }
    void put32(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::vector<std::uint8_t> bytes;
};

void writeHeader(ByteWriter& out, const ModuleDraft& draft) {
    out.text("Extended Module: ", 17);
    out.text("test", 20);
    out.u8(0x1A);
    out.text("builder", 20);
    out.u16(0x0104);
    out.u32(276);
    out.u16(draft.songLength >= 0 ? draft.songLength : static_cast<std::uint32_t>(draft.orders.size()));
    out.u16(draft.restartPosition);
    out.u16(draft.channels);
    out.u16(draft.filePatternCount >= 0 ? draft.filePatternCount : static_cast<std::uint32_t>(draft.patterns.size()));
    out.u16(static_cast<std::uint32_t>(draft.instruments.size()));
    out.u16(draft.flags);
    out.u16(draft.speed);
    out.u16(draft.bpm);
    std::uint8_t orders[256] = {};
    std::copy_n(draft.orders.begin(), std::min<std::size_t>(draft.orders.size(), 256), orders);
    for (std::uint8_t order : orders) out.u8(order);
}

void writeCell(ByteWriter& out, const NoteCell& cell, bool unpacked) {
    const std::uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
    if (unpacked) {
        for (std::uint8_t field : fields) out.u8(field);
        return;
    }
    std::uint8_t mask = 0x80;
    for (int i = 0; i < 5; ++i) mask |= fields[i] ? 1 << i : 0;
    out.u8(mask);
    for (std::uint8_t field : fields) {
        if (field) out.u8(field);
    }
}

void writePattern(ByteWriter& out, const PatternDraft& pattern) {
    ByteWriter data;
    for (const NoteCell& cell : pattern.cells) writeCell(data, cell, pattern.unpacked);
    out.u32(9);
    out.u8(0);
    out.u16(pattern.rows);
    out.u16(static_cast<std::uint32_t>(data.bytes.size()));
    out.bytes.insert(out.bytes.end(), data.bytes.begin(), data.bytes.end());
}

std::uint32_t sampleBytes(const SampleDraft& sample) {
    if (sample.lengthBytes >= 0) return static_cast<std::uint32_t>(sample.lengthBytes);
    return static_cast<std::uint32_t>(sample.frames.size() * (sample.sixteenBit ? 2 : 1));
}

void writeEnvelope(ByteWriter& out, const EnvelopeDraft& envelope) {
    for (std::size_t i = 0; i < 12; ++i) {
        const EnvelopePoint point = i < envelope.points.size() ? envelope.points[i] : EnvelopePoint{0, 0};
        out.u16(point.tick);
        out.u16(point.value);
    }
}

std::uint8_t pointCount(const EnvelopeDraft& envelope) {
    return static_cast<std::uint8_t>(envelope.pointCount >= 0 ? envelope.pointCount : envelope.points.size());
}

void writeInstrumentHeader(ByteWriter& out, const InstrumentDraft& instrument) {
    const std::size_t start = out.bytes.size();
    const std::uint32_t count =
        instrument.sampleCount >= 0 ? instrument.sampleCount : static_cast<std::uint32_t>(instrument.samples.size());
    out.u32(0);  // size, patched below
    out.text("instrument", 22);
    out.u8(0);
    out.u16(count);
    if (count != 0) {
        out.u32(40);
        for (std::uint8_t slot : instrument.keymap) out.u8(slot);
        writeEnvelope(out, instrument.volumeEnvelope);
        writeEnvelope(out, instrument.panningEnvelope);
        const EnvelopeDraft& v = instrument.volumeEnvelope;
        const EnvelopeDraft& p = instrument.panningEnvelope;
        for (std::uint8_t b : {pointCount(v), pointCount(p), v.sustain, v.loopStart, v.loopEnd, p.sustain,
                               p.loopStart, p.loopEnd, v.type, p.type, instrument.vibratoType,
                               instrument.vibratoSweep, instrument.vibratoDepth, instrument.vibratoRate}) {
            out.u8(b);
        }
        out.u16(instrument.fadeout);
        out.zeros(22);
    }
    out.put32(start, static_cast<std::uint32_t>(out.bytes.size() - start));
}

void writeSampleHeader(ByteWriter& out, const SampleDraft& sample) {
    out.u32(sampleBytes(sample));
    out.u32(sample.loopStart);
    out.u32(sample.loopLength);
    out.u8(sample.volume);
    out.u8(static_cast<std::uint8_t>(sample.finetune));
    out.u8(sample.loopBits | (sample.sixteenBit ? 0x10 : 0));
    out.u8(sample.panning);
    out.u8(static_cast<std::uint8_t>(sample.relativeNote));
    out.u8(0);
    out.text("sample", 22);
}

// Sample data as the file keeps it: differences between frames.
void writeSampleData(ByteWriter& out, const SampleDraft& sample) {
    std::int32_t previous = 0;
    for (std::int16_t frame : sample.frames) {
        const std::int32_t delta = frame - previous;
        previous = frame;
        if (sample.sixteenBit) {
            out.u16(static_cast<std::uint16_t>(delta));
        } else {
            out.u8(static_cast<std::uint8_t>(delta));
        }
    }
}

void writeInstrument(ByteWriter& out, const InstrumentDraft& instrument) {
    writeInstrumentHeader(out, instrument);
    for (const SampleDraft& sample : instrument.samples) writeSampleHeader(out, sample);
    for (const SampleDraft& sample : instrument.samples) writeSampleData(out, sample);
}

// The memory files: a handle is the file's bytes and a position.
struct MemoryFile {
    const std::uint8_t* data;
    std::int32_t size;
    std::int32_t position;
};

const std::vector<std::uint8_t>* currentFile = nullptr;

void* memoryOpen(const char*) {
    if (!currentFile) return nullptr;
    return new MemoryFile{currentFile->data(), static_cast<std::int32_t>(currentFile->size()), 0};
}

void memoryClose(void* handle) { delete static_cast<MemoryFile*>(handle); }

std::int32_t memoryRead(void* destination, std::int32_t count, void* handle) {
    auto* file = static_cast<MemoryFile*>(handle);
    count = std::max(0, std::min(count, file->size - file->position));
    if (count == 0) return 0;
    std::memcpy(destination, file->data + file->position, count);
    file->position += count;
    return count;
}

void* memorySeek(void* handle, std::int32_t offset, std::uint8_t origin) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (origin == 0) file->position = offset;
    if (origin == 1) file->position += offset;
    if (origin == 2) file->position = file->size;
    file->position = std::clamp(file->position, 0, file->size);
    return handle;
}

std::int32_t memoryTell(void* handle) { return static_cast<MemoryFile*>(handle)->position; }

}  // namespace

NoteCell& PatternDraft::at(std::int32_t row, std::int32_t channel) {
    if (cells.empty()) cells.assign(static_cast<std::size_t>(rows) * channels, NoteCell{});
    return cells[static_cast<std::size_t>(row) * channels + channel];
}

PatternDraft& ModuleDraft::addPattern(std::int32_t rows) {
    PatternDraft pattern;
    pattern.rows = rows;
    pattern.channels = channels;
    pattern.cells.assign(static_cast<std::size_t>(rows) * channels, NoteCell{});
    patterns.push_back(pattern);
    return patterns.back();
}

InstrumentDraft simpleInstrument(std::vector<std::int16_t> frames, std::uint8_t loopBits) {
    InstrumentDraft instrument;
    SampleDraft sample;
    sample.frames = std::move(frames);
    sample.loopBits = loopBits;
    sample.loopLength = loopBits ? static_cast<std::uint32_t>(sample.frames.size()) : 0;
    instrument.samples.push_back(sample);
    return instrument;
}

NoteCell noteCell(std::uint8_t note, std::uint8_t instrument, std::uint8_t volume, std::uint8_t effect,
                  std::uint8_t parameter) {
    return NoteCell{note, instrument, volume, effect, parameter};
}

std::vector<std::uint8_t> buildXm(const ModuleDraft& draft) {
    ByteWriter out;
    writeHeader(out, draft);
    for (const PatternDraft& pattern : draft.patterns) writePattern(out, pattern);
    for (const InstrumentDraft& instrument : draft.instruments) writeInstrument(out, instrument);
    return out.bytes;
}

void useMemoryFiles() { xmSetFileCallbacks(memoryOpen, memoryClose, memoryRead, memorySeek, memoryTell); }

XmSong* loadXmBytes(const std::vector<std::uint8_t>& bytes, XmSampleDecoder decoder) {
    useMemoryFiles();
    currentFile = &bytes;
    XmSong* song = xmLoad("memory", decoder);
    currentFile = nullptr;
    return song;
}

PlayingModule::PlayingModule(const ModuleDraft& draft) : PlayingModule(buildXm(draft)) {}

PlayingModule::PlayingModule(const std::vector<std::uint8_t>& bytes) {
    song = loadXmBytes(bytes);
    xmSetWaveOutput(&device);
    if (!xmStartOutput(44100)) return;
    playing = song != nullptr && xmPlay(song);
}

PlayingModule::~PlayingModule() {
    xmFree(song);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
}

void PlayingModule::tick(int count) {
    for (int i = 0; i < count; ++i) xmTick(song);
}

int PlayingModule::nextRow() {
    for (int ticks = 1;; ++ticks) {
        const bool rowTick = song->tick == 0;
        xmTick(song);
        if (rowTick) return ticks;
    }
}

XmChannel& PlayingModule::channel(int index) const { return song->channels[index]; }

MixVoice& PlayingModule::voice(int index) const { return voicePool[index]; }
