// Placeholder until the mixer and output land.
#include "music/output.h"
#include "music/xm_player.h"

MixVoice* voicePool = nullptr;
std::int32_t outputRate() { return 44100; }
std::mutex& mixingLock() {
    static std::mutex lock;
    return lock;
}
bool xmSetBufferLength(std::int32_t) { return true; }
bool xmStartOutput(std::int32_t) { return false; }
void xmStopOutput() {}
void xmSetWaveOutput(WaveOutput*) {}
int xmServiceOutput() { return 0; }
