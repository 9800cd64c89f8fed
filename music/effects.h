#pragma once
// What the effects, the volume column and the instrument envelopes do to a
// channel, tick by tick. The sequencer calls them at fixed points of a tick;
// their results reach the voice through the channel's updateFlags.
#include <cstdint>

struct XmSong;
struct XmChannel;
struct XmInstrument;
struct XmSample;
struct NoteCell;

// Channel values from before the row tick read its cell; a note delay puts them back.
struct RememberedState {
    std::int32_t volume;
    std::int32_t period;
    std::int32_t panning;
};

// Everything an effect of one channel may touch on one tick.
struct EffectContext {
    XmSong& song;
    XmChannel& channel;
    const NoteCell& cell;
    const XmInstrument& instrument;
    XmSample& sample;
    RememberedState remembered;
};

// Volume column: the first tick (also a note delay when it fires), then the further ticks.
void volumeColumnCommand(XmChannel& channel, std::uint8_t command);
void volumeColumnFurtherTick(XmChannel& channel, std::uint8_t command);

// The effect column: first tick and further ticks; the E sub-effects.
void effectFirstTick(const EffectContext& context);
void effectFurtherTick(const EffectContext& context);
void extendedFirstTick(const EffectContext& context);
void extendedFurtherTick(const EffectContext& context);

// Envelopes: one tick of each, and effect L (set the volume envelope's position).
void stepVolumeEnvelope(XmChannel& channel, const XmInstrument& instrument);
void stepPanningEnvelope(XmChannel& channel, const XmInstrument& instrument);
void setEnvelopePosition(XmChannel& channel, const XmInstrument& instrument, std::int32_t target);

// The periodic effects.
void tonePortamento(XmChannel& channel);
void vibrato(XmChannel& channel);
void advanceVibrato(XmChannel& channel);
void autoVibrato(XmChannel& channel, const XmInstrument& instrument);
void tremor(XmChannel& channel);

// Slides shared by several effects.
void volumeSlide(XmChannel& channel);
void slidePeriod(XmChannel& channel, std::int32_t delta);
// The volume after a multi-retrig of type 1..15 (held to 0..64).
std::int32_t multiRetrigVolume(std::int32_t volume, std::uint8_t type);
