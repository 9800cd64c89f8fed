// The tick handler: order and row advance, the row tick that reads the cells
// and the further ticks that continue the effects.
#include "music/sequencer.h"

#include "music/effects.h"
#include "music/xm_types.h"

namespace {

const NoteCell kEmptyCell{};

const XmPattern& currentPattern(const XmSong& song) {
    return song.patterns[song.orderTable[song.orderPosition.load()]];
}

const XmInstrument& channelInstrument(const XmSong& song, const XmChannel& channel) {
    if (channel.instrument >= song.instrumentCount) return emptyInstrument;
    return song.instruments[channel.instrument];
}

XmSample& channelSample(const XmInstrument& instrument, const XmChannel& channel) {
    std::uint8_t slot = channel.key < 96 ? instrument.keymap[channel.key] : 16;
    XmSample* sample = slot < 16 ? instrument.samples[slot] : nullptr;
    return sample ? *sample : emptySample;
}

bool isNote(std::uint8_t note) { return note >= 1 && note <= 96; }

// Both envelopes for one tick; on the row tick a key off silences an
// instrument without a volume envelope.
void stepEnvelopes(XmChannel& channel, const XmInstrument& instrument, bool rowTick) {
    if (instrument.volumeType & 1) {
        if (!channel.volumeEnvelopeDone) stepVolumeEnvelope(channel, instrument);
    } else if (rowTick && channel.keyOff) {
        channel.envelopeVolume = 0;
    }
    if ((instrument.panningType & 1) && !channel.panningEnvelopeDone) stepPanningEnvelope(channel, instrument);
}

void applyFadeout(XmChannel& channel, const XmInstrument& instrument) {
    if (!channel.keyOff) return;
    channel.fadeoutVolume -= instrument.fadeout;
    if (channel.fadeoutVolume < 0) channel.fadeoutVolume = 0;
    channel.updateFlags |= kUpdateVolume;
}

void startNote(const XmSong& song, XmChannel& channel, std::uint8_t note, const XmSample& sample, bool porta) {
    channel.realNote = static_cast<std::uint8_t>(sample.relativeNote + note - 1);
    channel.notePeriod = notePeriod(song, channel.realNote, sample.finetune);
    if (!porta) channel.period = channel.notePeriod;
    channel.updateFlags = kUpdateTrigger;
}

void rowTickChannel(XmSong& song, XmChannel& channel, const NoteCell& cell) {
    const bool porta = cell.effect == 0x03 || cell.effect == 0x05;
    if (cell.instrument != 0 && !porta) channel.instrument = cell.instrument - 1;
    if (isNote(cell.note) && !porta) channel.key = cell.note - 1;
    const XmInstrument& instrument = channelInstrument(song, channel);
    XmSample& sample = channelSample(instrument, channel);
    const RememberedState remembered{channel.volume, channel.period, channel.panning};
    channel.volumeDelta = 0;
    channel.updateFlags = 0;
    if (isNote(cell.note)) startNote(song, channel, cell.note, sample, porta);
    channel.periodDelta = 0;
    channel.updateFlags |= kUpdateFrequency | kUpdateVolume;
    if (cell.instrument != 0) resetChannelForInstrument(channel, sample);
    if (cell.volume != 0) volumeColumnCommand(channel, cell.volume);
    if (cell.note == kKeyOffNote || cell.effect == 0x14) channel.keyOff = 1;
    stepEnvelopes(channel, instrument, true);
    applyFadeout(channel, instrument);
    effectFirstTick({song, channel, cell, instrument, sample, remembered});
    autoVibrato(channel, instrument);
    updateVoice(channel, song, sample);
}

void effectTickChannel(XmSong& song, XmChannel& channel, const NoteCell& cell) {
    const XmInstrument& instrument = channelInstrument(song, channel);
    XmSample& sample = channelSample(instrument, channel);
    channel.volumeDelta = 0;
    channel.periodDelta = 0;
    channel.updateFlags = 0;
    stepEnvelopes(channel, instrument, false);
    applyFadeout(channel, instrument);
    volumeColumnFurtherTick(channel, cell.volume);
    effectFurtherTick({song, channel, cell, instrument, sample, {}});
    autoVibrato(channel, instrument);
    updateVoice(channel, song, sample);
}

// The row after the current one, or the first row of the next order.
void advanceRow(XmSong& song) {
    song.nextRow = song.row + 1;
    if (song.nextRow < currentPattern(song).rows) return;
    std::int32_t order = song.orderPosition + 1;
    song.nextOrder = order >= song.songLength ? song.restartPosition : order;
    song.nextRow = 0;
}

void rowTick(XmSong& song) {
    if (song.nextOrder >= 0) song.orderPosition = song.nextOrder;
    if (song.nextRow >= 0) song.row = song.nextRow;
    // A break may name a row the pattern entered does not have: start it from the top.
    if (song.row < 0 || song.row >= currentPattern(song).rows) song.row = 0;
    processRowTick(song);
    if (song.nextRow == -1) advanceRow(song);
}

}  // namespace

void processRowTick(XmSong& song) {
    song.nextRow = -1;
    song.nextOrder = -1;
    song.positionJumpSet = 0;
    const XmPattern& pattern = currentPattern(song);
    song.rowCells = pattern.cells ? pattern.cells + song.row * song.channelCount : nullptr;
    if (!song.rowCells) return;
    const NoteCell* cells = song.rowCells;
    for (std::int32_t i = 0; i < song.channelCount; ++i) rowTickChannel(song, song.channels[i], cells[i]);
}

void processEffectTick(XmSong& song) {
    for (std::int32_t i = 0; i < song.channelCount; ++i) {
        const NoteCell& cell = song.rowCells ? song.rowCells[i] : kEmptyCell;
        effectTickChannel(song, song.channels[i], cell);
    }
}

void xmTick(XmSong* song) {
    if (!song || !song->channels) return;
    if (song->tick == 0) {
        rowTick(*song);
    } else {
        processEffectTick(*song);
    }
    song->tick += 1;
    if (song->tick >= song->speed + song->patternDelayTicks) {
        song->tick = 0;
        song->patternDelayTicks = 0;
    }
}

void resetChannelForInstrument(XmChannel& channel, const XmSample& sample) {
    channel.volume = sample.volume;
    channel.panning = sample.panning;
    channel.envelopeVolume = 64;
    channel.volumeEnvelopeIndex = 0;
    channel.volumeEnvelopeTick = 0;
    channel.volumeEnvelopeIncrement = 0;
    channel.volumeEnvelopeDone = 0;
    channel.envelopePanning = 32;
    channel.panningEnvelopeIndex = 0;
    channel.panningEnvelopeTick = 0;
    channel.panningEnvelopeIncrement = 0;
    channel.panningEnvelopeDone = 0;
    channel.keyOff = 0;
    channel.fadeoutVolume = 65536;
    channel.autoVibratoSweep = 0;
    channel.autoVibratoPosition = 0;
    if ((channel.waveControl & 0x0F) < 4) channel.vibratoPosition = 0;
    channel.tremorCount = 0;
    channel.updateFlags |= kUpdateVolume | kUpdatePanning;
}
