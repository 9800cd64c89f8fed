#pragma once
// Writes a module in the FastTracker 2 "Extended Module" format: header,
// packed patterns, instruments with their sample headers and delta-encoded
// sample data, all little-endian.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace songgen {

constexpr int kKeyOff = 97;  // the file's key-off note

struct XmCell {
    std::uint8_t note = 0;        // 0 none, 1..96 (1 = C-0), 97 key off
    std::uint8_t instrument = 0;  // 0 none, 1..128
    std::uint8_t volume = 0;      // volume column: 0x10 + 0..64 sets the volume
    std::uint8_t effect = 0;
    std::uint8_t parameter = 0;
    bool operator==(const XmCell&) const = default;
};

struct XmPatternData {
    int rows = 0;
    std::vector<XmCell> cells;  // rows x channels, row-major
    bool operator==(const XmPatternData&) const = default;
};

struct XmSampleData {
    std::string name;
    std::vector<std::int16_t> frames;  // 16-bit values; 8-bit samples use -128..127
    int bits = 16;
    int loopStart = 0, loopLength = 0;  // frames; 0 length = no loop
    int volume = 64;                     // 0..64
    int finetune = 0;                    // -128..127
    int panning = 128;                   // 0..255
    int relativeNote = 0;                // -128..127
};

struct XmInstrumentData {
    std::string name;
    XmSampleData sample;  // one sample per instrument, mapped to every key
    std::vector<std::pair<int, int>> volumeEnvelope;  // (tick, 0..64), at most 12 points
    int volumeSustain = -1;
    int fadeout = 0;
    int vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct XmModule {
    std::string name;
    int channels = 0;
    int speed = 6, bpm = 125;
    bool linearFrequencies = true;
    int restartPosition = 0;
    std::vector<int> orders;
    std::vector<XmPatternData> patterns;
    std::vector<XmInstrumentData> instruments;
};

std::vector<std::uint8_t> writeXm(const XmModule& module);

}  // namespace songgen
