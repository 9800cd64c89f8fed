#include "xm_writer.h"

#include <algorithm>

namespace songgen {
namespace {

class ByteWriter {
public:
    void u8(int v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void u16(int v) { u8(v & 0xFF), u8((v >> 8) & 0xFF); }
    void u32(std::uint32_t v) { u16(static_cast<int>(v & 0xFFFF)), u16(static_cast<int>(v >> 16)); }
    // Fixed-width text, padded with zeros (the format's names are not terminated).
    void text(const std::string& s, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    std::size_t size() const { return bytes.size(); }
    void patch16(std::size_t at, int v) {
        bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
        bytes[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    std::vector<std::uint8_t> bytes;
};

constexpr int kHeaderSize = 276;            // from the header-size field to the end of the order table
constexpr int kInstrumentHeaderSize = 263;  // with the sample map and envelopes
constexpr int kSampleHeaderSize = 40;

void writeHeader(ByteWriter& out, const XmModule& m) {
    out.text("Extended Module: ", 17);
    out.text(m.name, 20);
    out.u8(0x1A);
    out.text("songgen", 20);
    out.u16(0x0104);
    out.u32(kHeaderSize);
    out.u16(static_cast<int>(m.orders.size()));
    out.u16(m.restartPosition);
    out.u16(m.channels);
    out.u16(static_cast<int>(m.patterns.size()));
    out.u16(static_cast<int>(m.instruments.size()));
    out.u16(m.linearFrequencies ? 1 : 0);
    out.u16(m.speed);
    out.u16(m.bpm);
    for (int i = 0; i < 256; ++i) out.u8(i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);
}

// A cell is packed as a mask byte (bit 7 set) followed by its non-zero
// fields; an empty cell is the single byte 0x80.
void writeCell(ByteWriter& out, const XmCell& c) {
    const int mask = (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) | (c.effect ? 8 : 0) |
                     (c.parameter ? 16 : 0);
    if (mask == 31) {  // all five present: the unpacked form is as short
        out.u8(c.note), out.u8(c.instrument), out.u8(c.volume), out.u8(c.effect), out.u8(c.parameter);
        return;
    }
    out.u8(0x80 | mask);
    if (c.note) out.u8(c.note);
    if (c.instrument) out.u8(c.instrument);
    if (c.volume) out.u8(c.volume);
    if (c.effect) out.u8(c.effect);
    if (c.parameter) out.u8(c.parameter);
}

void writePattern(ByteWriter& out, const XmPatternData& p) {
    out.u32(9);  // pattern header length
    out.u8(0);   // packing type
    out.u16(p.rows);
    const std::size_t sizeAt = out.size();
    out.u16(0);
    const std::size_t start = out.size();
    for (const XmCell& c : p.cells) writeCell(out, c);
    out.patch16(sizeAt, static_cast<int>(out.size() - start));
}

void writeEnvelope(ByteWriter& out, const std::vector<std::pair<int, int>>& points) {
    for (int i = 0; i < 12; ++i) {
        const bool used = i < static_cast<int>(points.size());
        out.u16(used ? points[i].first : 0);
        out.u16(used ? points[i].second : 0);
    }
}

void writeInstrument(ByteWriter& out, const XmInstrumentData& ins) {
    const XmSampleData& s = ins.sample;
    const int bytesPerFrame = s.bits / 8;
    const std::size_t start = out.size();
    out.u32(kInstrumentHeaderSize);
    out.text(ins.name, 22);
    out.u8(0);  // type
    out.u16(1);  // samples
    out.u32(kSampleHeaderSize);
    out.zeros(96);  // every key plays sample 0
    writeEnvelope(out, ins.volumeEnvelope);
    writeEnvelope(out, {});
    const int points = static_cast<int>(ins.volumeEnvelope.size());
    out.u8(points);
    out.u8(0);  // panning points
    out.u8(std::max(ins.volumeSustain, 0));
    out.u8(0), out.u8(0);  // volume loop start, end
    out.u8(0), out.u8(0), out.u8(0);  // panning sustain, loop start, end
    out.u8(points >= 2 ? 1 | (ins.volumeSustain >= 0 ? 2 : 0) : 0);
    out.u8(0);  // panning envelope off
    out.u8(ins.vibratoType), out.u8(ins.vibratoSweep), out.u8(ins.vibratoDepth), out.u8(ins.vibratoRate);
    out.u16(ins.fadeout);
    out.zeros(start + kInstrumentHeaderSize - out.size());

    const bool looped = s.loopLength > 0;
    out.u32(static_cast<std::uint32_t>(s.frames.size() * bytesPerFrame));
    out.u32(static_cast<std::uint32_t>((looped ? s.loopStart : 0) * bytesPerFrame));
    out.u32(static_cast<std::uint32_t>((looped ? s.loopLength : 0) * bytesPerFrame));
    out.u8(s.volume);
    out.u8(s.finetune);
    out.u8((looped ? 1 : 0) | (s.bits == 16 ? 0x10 : 0));
    out.u8(s.panning);
    out.u8(s.relativeNote);
    out.u8(0);
    out.text(s.name, 22);

    // Sample data are stored as differences from the previous frame.
    int previous = 0;
    for (std::int16_t frame : s.frames) {
        const int delta = frame - previous;
        previous = frame;
        if (s.bits == 16) out.u16(delta & 0xFFFF);
        else out.u8(delta & 0xFF);
    }
}

}  // namespace

std::vector<std::uint8_t> writeXm(const XmModule& module) {
    ByteWriter out;
    writeHeader(out, module);
    for (const XmPatternData& p : module.patterns) writePattern(out, p);
    for (const XmInstrumentData& ins : module.instruments) writeInstrument(out, ins);
    return out.bytes;
}

}  // namespace songgen
