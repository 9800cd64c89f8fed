// The browser build's own screen and sound device: a canvas and Web Audio.
#include "platform/display.h"
#include "platform/wave_output.h"

std::unique_ptr<Display> makeWebDisplay();
std::unique_ptr<WaveOutput> makeWebWaveOutput();

std::unique_ptr<Display> makeDefaultDisplay(const DisplayOptions&) { return makeWebDisplay(); }

std::unique_ptr<WaveOutput> makeDefaultWaveOutput() { return makeWebWaveOutput(); }
