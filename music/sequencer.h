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

// The two kinds of tick of xmTick: the first tick of a row reads the cells,
// the further ones continue the effects.
void processRowTick(XmSong& song);
void processEffectTick(XmSong& song);
// A new instrument number: the sample's volume and panning, envelopes restarted.
void resetChannelForInstrument(XmChannel& channel, const XmSample& sample);
// Hands the channel's changes of this tick (its updateFlags) to its voice.
void updateVoice(XmChannel& channel, const XmSong& song, XmSample& sample);
// The period of realNote with finetune in the song's frequency table.
std::int32_t notePeriod(const XmSong& song, std::int32_t realNote, std::int32_t finetune);

// Voice settings from a channel's state (the arithmetic of updateVoice).
std::int32_t voiceVolumeOf(const XmChannel& channel, std::int32_t globalVolume);
std::int32_t voicePanningOf(const XmChannel& channel);
std::int32_t voiceFrequencyOf(const XmChannel& channel, bool linear);
