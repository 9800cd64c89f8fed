// songgen SCORE OUTPUT.xm
// Composes the show's music: reads the score, synthesises every instrument
// the score names, lays out the patterns and writes the XM module. The same
// score always gives the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "arrangement.h"
#include "instruments.h"
#include "score.h"
#include "xm_writer.h"

namespace songgen {
namespace {

constexpr double kMiddleC = 261.6255653;
constexpr double kC4Rate = 8363;  // XM plays an untuned sample at this rate on note C-4

// Relative note and finetune (1/128 semitone) that make note C-4 play the
// sample's tone at middle C.
void tune(const InstrumentDesign& d, XmSampleData& s) {
    const double semitones = 12 * std::log2(d.rate * kMiddleC / d.pitch / kC4Rate);
    s.relativeNote = static_cast<int>(std::lround(semitones));
    s.finetune = std::clamp(static_cast<int>(std::lround((semitones - s.relativeNote) * 128)), -128, 127);
}

std::vector<std::int16_t> quantise(const Signal& frames, int bits) {
    const double scale = bits == 16 ? 32767.0 : 127.0;
    std::vector<std::int16_t> out;
    out.reserve(frames.size());
    for (double x : frames) out.push_back(static_cast<std::int16_t>(std::lround(std::clamp(x, -1.0, 1.0) * scale)));
    return out;
}

XmInstrumentData buildInstrument(const ScoreInstrument& ins) {
    InstrumentDesign d;
    if (!designInstrument(ins.recipe, d)) throw ScoreError("instrument " + ins.name + ": no recipe '" + ins.recipe + "'");
    XmInstrumentData x;
    x.name = ins.name;
    x.sample.name = ins.recipe;
    x.sample.frames = quantise(d.frames, d.bits);
    x.sample.bits = d.bits;
    x.sample.loopStart = d.loopStart;
    x.sample.loopLength = d.loopLength;
    x.sample.volume = ins.volume;
    x.sample.panning = ins.panning;
    tune(d, x.sample);
    x.volumeEnvelope = d.volume.points;
    x.volumeSustain = d.volume.sustain;
    x.fadeout = d.fadeout;
    x.vibratoType = d.vibratoType, x.vibratoSweep = d.vibratoSweep;
    x.vibratoDepth = d.vibratoDepth, x.vibratoRate = d.vibratoRate;
    return x;
}

XmModule compose(const Score& score) {
    const Arrangement arrangement = arrange(score);
    XmModule m;
    m.name = score.title;
    m.channels = arrangement.channels;
    m.speed = score.speed;
    m.bpm = score.bpm;
    m.restartPosition = arrangement.restartPosition;
    m.orders = arrangement.orders;
    m.patterns = arrangement.patterns;
    for (const ScoreInstrument& ins : score.instruments) m.instruments.push_back(buildInstrument(ins));
    return m;
}

}  // namespace
}  // namespace songgen

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: songgen SCORE OUTPUT.xm\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "songgen: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::uint8_t> bytes;
    try {
        bytes = songgen::writeXm(songgen::compose(songgen::parseScore(text.str())));
    } catch (const std::exception& e) {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "songgen: cannot write " << argv[2] << "\n";
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
