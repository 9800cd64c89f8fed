#pragma once
// The instrument recipes: how each sound of the song is synthesised, and the
// envelope and auto-vibrato it is played with. Mix levels and panning are
// not here: they belong to the score.
#include <string>
#include <utility>
#include <vector>

#include "synth.h"

namespace songgen {

// A volume envelope in ticks (12 ms each at 208 BPM) and levels 0..64.
struct EnvelopeShape {
    std::vector<std::pair<int, int>> points;
    int sustain = -1;  // point index held until key off, -1 = none
};

struct InstrumentDesign {
    Signal frames;       // -1..1
    double rate = 0;     // frames per second at the sample's own speed
    double pitch = 0;    // Hz of the tone at that speed; note C-4 is tuned to middle C
    int loopStart = 0;
    int loopLength = 0;  // 0 = one-shot
    int bits = 16;       // 8 for noisy sounds, where the coarser steps are masked
    EnvelopeShape volume;
    int fadeout = 0;     // XM fadeout after key off (file units, 0..4095)
    int vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

// The named recipe's sound; false when there is no such recipe.
bool designInstrument(const std::string& recipe, InstrumentDesign& design);

}  // namespace songgen
