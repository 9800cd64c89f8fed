// Placeholder until the loader, sequencer and control land.
#include "music/sequencer.h"
#include "music/xm_player.h"
#include "music/xm_types.h"

XmSong playingSongs;
XmSample emptySample;
XmInstrument emptyInstrument;
void xmSetFileCallbacks(XmOpenFn, XmCloseFn, XmReadFn, XmSeekFn, XmTellFn) {}
XmSong* xmLoad(const char*, XmSampleDecoder) { return nullptr; }
bool xmPlay(XmSong*) { return false; }
bool xmStop(XmSong*) { return false; }
bool xmFree(XmSong*) { return false; }
std::int32_t xmGetTimeMs(const XmSong*) { return 0; }
std::int32_t xmGetRow(const XmSong*) { return 0; }
std::int32_t xmGetOrder(const XmSong*) { return 0; }
void xmTick(XmSong*) {}
void samplesPerTick(XmSong*, std::int32_t) {}
