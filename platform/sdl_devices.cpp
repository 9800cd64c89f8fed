// The native build's own screen and sound device are SDL2's.
#include "platform/display.h"
#include "platform/wave_output.h"

std::unique_ptr<Display> makeDefaultDisplay(const DisplayOptions& options) { return makeSdlDisplay(options); }

std::unique_ptr<WaveOutput> makeDefaultWaveOutput() { return makeSdlWaveOutput(); }
