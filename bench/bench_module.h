#pragma once
// An 18-channel XM module written in code for the player benchmarks: every
// channel plays looped 16-bit waveforms all the time. With effects, the
// instruments have volume envelopes, fadeout and auto-vibrato, and the
// pattern cells slide, vibrate, arpeggiate and portamento.
#include <vector>

std::vector<unsigned char> makeBenchModule(bool effects);
