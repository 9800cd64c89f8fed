#pragma once
// The sequencer: ticks, rows, notes and instruments turned into voice settings.
#include <cstdint>

struct XmSong;
struct XmChannel;
struct XmSample;

// One tick of the song; the output calls it through song->tickHandler.
void xmTick(XmSong* song);
// song->bpm = bpm and song->framesPerTick for the output rate.
void samplesPerTick(XmSong* song, std::int32_t bpm);
std::int32_t amigaPeriod(std::int32_t note, std::int32_t finetune);

// The list of playing songs, a circular list through XmSong::next/prev with
// this fixed head; the output thread walks it from the head.
extern XmSong playingSongs;
