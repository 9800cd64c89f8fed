// Placeholder until the player lands: no output, no songs.
#include "music/xm_player.h"

void xmSetFileCallbacks(XmOpenFn, XmCloseFn, XmReadFn, XmSeekFn, XmTellFn) {}
XmSong* xmLoad(const char*, XmSampleDecoder) { return nullptr; }
bool xmPlay(XmSong*) { return false; }
bool xmStop(XmSong*) { return false; }
bool xmFree(XmSong*) { return false; }
std::int32_t xmGetTimeMs(const XmSong*) { return 0; }
std::int32_t xmGetRow(const XmSong*) { return 0; }
std::int32_t xmGetOrder(const XmSong*) { return 0; }
bool xmSetBufferLength(std::int32_t) { return true; }
bool xmStartOutput(std::int32_t) { return false; }
void xmStopOutput() {}
void xmSetWaveOutput(WaveOutput*) {}
int xmServiceOutput() { return 0; }
