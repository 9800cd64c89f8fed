#include "bench/bench_module.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {
constexpr int kChannels = 18;
constexpr int kRows = 64;
constexpr int kPatterns = 4;
constexpr int kInstruments = 6;

class Writer {
public:
    void u8(int v) { bytes.push_back(static_cast<unsigned char>(v)); }
    void u16(int v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    }
    void text(const std::string& s, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) u8(i < s.size() ? s[i] : 0);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    std::vector<unsigned char> bytes;
};

// A loop of a waveform with a 32-frame period (about C-5 at C-4's 8,363 Hz).
std::vector<std::int16_t> waveform(int kind, int length) {
    constexpr double kPi = 3.14159265358979323846;
    std::vector<std::int16_t> frames(static_cast<std::size_t>(length));
    std::uint32_t noise = 12345;
    for (int i = 0; i < length; ++i) {
        const double phase = static_cast<double>(i % 32) / 32;
        double v = 0;
        switch (kind) {
            case 0: v = std::sin(2 * kPi * phase); break;
            case 1: v = 2 * phase - 1; break;
            case 2: v = phase < 0.5 ? 0.7 : -0.7; break;
            case 3: v = std::sin(2 * kPi * phase) * 0.6 + std::sin(6 * kPi * phase) * 0.3; break;
            case 4:
                noise = noise * 1103515245u + 12345u;
                v = static_cast<double>((noise >> 16) & 0x7FFF) / 16384.0 - 1.0;
                break;
            default: v = 1 - 4 * std::fabs(phase - 0.5); break;
        }
        frames[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(v * 20000);
    }
    return frames;
}

void writeHeader(Writer& w) {
    w.text("Extended Module: ", 17);
    w.text("bench", 20);
    w.u8(0x1A);
    w.text("qorbt bench", 20);
    w.u16(0x0104);
    w.u32(276);
    w.u16(8);  // song length
    w.u16(0);  // restart
    w.u16(kChannels);
    w.u16(kPatterns);
    w.u16(kInstruments);
    w.u16(1);  // linear frequencies
    w.u16(6);
    w.u16(125);
    const int order[8] = {0, 1, 2, 3, 1, 2, 0, 3};
    for (int i = 0; i < 256; ++i) w.u8(i < 8 ? order[i] : 0);
}

// A cell every other row on every channel, pitches wandering over four octaves.
void writePattern(Writer& w, int pattern, bool effects) {
    Writer data;
    for (int row = 0; row < kRows; ++row) {
        for (int channel = 0; channel < kChannels; ++channel) {
            if ((row + channel) % 2 != 0) {
                data.u8(0x80);
                continue;
            }
            const int note = 25 + (row * 7 + channel * 5 + pattern * 3) % 48;
            const int instrument = 1 + (channel + pattern) % kInstruments;
            const int volume = 0x10 + 24 + (row * 3 + channel) % 40;
            int effect = 0, parameter = 0;
            if (effects) {
                static const int kinds[6][2] = {{0x4, 0x46}, {0xA, 0x02}, {0x0, 0x37}, {0x1, 0x03}, {0x2, 0x02},
                                                {0x3, 0x10}};
                effect = kinds[(channel + row / 2) % 6][0];
                parameter = kinds[(channel + row / 2) % 6][1];
            }
            if (effect == 0 && parameter == 0) {
                data.u8(0x80 | 0x07);
                data.u8(note);
                data.u8(instrument);
                data.u8(volume);
            } else {
                data.u8(0x80 | 0x1F);
                data.u8(note);
                data.u8(instrument);
                data.u8(volume);
                data.u8(effect);
                data.u8(parameter);
            }
        }
    }
    w.u32(9);
    w.u8(0);
    w.u16(kRows);
    w.u16(static_cast<int>(data.bytes.size()));
    w.bytes.insert(w.bytes.end(), data.bytes.begin(), data.bytes.end());
}

void writeInstrument(Writer& w, int index, bool effects) {
    const int lengths[kInstruments] = {2048, 1024, 512, 4096, 8000, 320};
    const int length = lengths[index];
    const std::vector<std::int16_t> frames = waveform(index, length);

    w.u32(263);
    w.text("instrument", 22);
    w.u8(0);
    w.u16(1);
    w.u32(40);
    w.zeros(96);  // every note plays sample 0
    // Volume envelope: attack, decay to a sustain level, release.
    const int volumePoints[6][2] = {{0, 0}, {4, 64}, {16, 40}, {40, 32}, {60, 20}, {100, 0}};
    for (int i = 0; i < 12; ++i) {
        w.u16(i < 6 ? volumePoints[i][0] : 0);
        w.u16(i < 6 ? volumePoints[i][1] : 0);
    }
    const int panningPoints[3][2] = {{0, 16}, {30, 48}, {60, 32}};
    for (int i = 0; i < 12; ++i) {
        w.u16(i < 3 ? panningPoints[i][0] : 0);
        w.u16(i < 3 ? panningPoints[i][1] : 0);
    }
    w.u8(6);                                // volume points
    w.u8(3);                                // panning points
    w.u8(3);                                // volume sustain
    w.u8(2);                                // volume loop start
    w.u8(3);                                // volume loop end
    w.u8(0);                                // panning sustain
    w.u8(0);                                // panning loop start
    w.u8(2);                                // panning loop end
    w.u8(effects ? 3 : 0);                  // volume envelope on, sustain
    w.u8(effects ? 5 : 0);                  // panning envelope on, loop
    w.u8(0);                                // auto-vibrato sine
    w.u8(effects ? 8 : 0);                  // sweep
    w.u8(effects ? 6 : 0);                  // depth
    w.u8(effects ? 20 : 0);                 // rate
    w.u16(effects ? 400 : 0);               // fadeout
    w.zeros(22);

    const bool pingPong = index % 3 == 2;
    w.u32(static_cast<std::uint32_t>(length * 2));
    w.u32(0);
    w.u32(static_cast<std::uint32_t>(length * 2));
    w.u8(56);  // volume
    w.u8(0);   // finetune
    w.u8((pingPong ? 2 : 1) | 0x10);
    w.u8(48 + 32 * index);
    w.u8(index == 4 ? -12 & 0xFF : 0);  // relative note
    w.u8(0);
    w.text("sample", 22);

    std::int16_t previous = 0;
    for (const std::int16_t frame : frames) {
        w.u16(static_cast<std::uint16_t>(frame - previous));
        previous = frame;
    }
}
}  // namespace

std::vector<unsigned char> makeBenchModule(bool effects) {
    Writer w;
    writeHeader(w);
    for (int p = 0; p < kPatterns; ++p) writePattern(w, p, effects);
    for (int i = 0; i < kInstruments; ++i) writeInstrument(w, i, effects);
    return w.bytes;
}
