// The effect column: what each effect does on the first tick of its row and
// on the further ticks.
#include "music/effects.h"

#include <algorithm>

#include "music/mix_voice.h"
#include "music/sequencer.h"
#include "music/xm_types.h"

namespace {

std::uint8_t highNibble(std::uint8_t value) { return value >> 4; }
std::uint8_t lowNibble(std::uint8_t value) { return value & 0x0F; }

void startTonePortamento(XmChannel& channel) {
    channel.portaTarget = channel.notePeriod;
    channel.updateFlags &= ~(kUpdateTrigger | kUpdateFrequency);
}

// An offset at or past the loop end stops the voice instead of starting the note.
void sampleOffset(XmChannel& channel, const XmSample& sample, std::uint8_t parameter) {
    if (parameter != 0) channel.sampleOffsetMemory = parameter;
    const std::int64_t offset = 256 * static_cast<std::int64_t>(channel.sampleOffsetMemory);
    if (offset >= static_cast<std::int64_t>(sample.loopStart) + sample.loopLength) {
        channel.updateFlags = (channel.updateFlags & ~kUpdateTrigger) | kUpdateStop;
    } else if (channel.voice) {
        channel.voice->startOffset = static_cast<std::uint32_t>(offset);
    }
}

void positionJump(XmSong& song, std::uint8_t parameter) {
    song.nextRow = 0;
    song.nextOrder = parameter >= song.songLength ? 0 : parameter;
    song.positionJumpSet = 1;
}

void patternBreak(XmSong& song, std::uint8_t parameter) {
    const std::int32_t row = 10 * highNibble(parameter) + lowNibble(parameter);
    song.nextRow = row > 63 ? 0 : row;
    if (!song.positionJumpSet) song.nextOrder = song.orderPosition + 1;
    if (song.nextOrder >= song.songLength) song.nextOrder = 0;
}

void setSpeed(XmSong& song, std::uint8_t parameter) {
    if (parameter < 32) {
        song.speed = parameter;
    } else {
        samplesPerTick(&song, parameter);
    }
}

void extraFinePortamento(XmChannel& channel, std::uint8_t parameter) {
    const std::uint8_t y = lowNibble(parameter);
    if (highNibble(parameter) == 1) {
        if (y != 0) channel.extraFineUpMemory = y;
        slidePeriod(channel, -channel.extraFineUpMemory);
    } else if (highNibble(parameter) == 2) {
        if (y != 0) channel.extraFineDownMemory = y;
        slidePeriod(channel, channel.extraFineDownMemory);
    }
}

void setTremor(XmChannel& channel, std::uint8_t parameter) {
    if (parameter != 0) {
        channel.tremorOn = highNibble(parameter) + 1;
        channel.tremorOff = lowNibble(parameter) + 1;
    }
    tremor(channel);
}

// First-tick actions of the effects that change only the channel.
void channelFirstTick(const EffectContext& context) {
    XmChannel& channel = context.channel;
    const std::uint8_t p = context.cell.parameter;
    switch (context.cell.effect) {
    case 0x01: if (p != 0) channel.portaUpMemory = p; break;
    case 0x02: if (p != 0) channel.portaDownMemory = p; break;
    case 0x03:
        if (p != 0) channel.portaSpeed = p;
        startTonePortamento(channel);
        break;
    case 0x04:
        if (highNibble(p) != 0) channel.vibratoSpeed = highNibble(p);
        if (lowNibble(p) != 0) channel.vibratoDepth = lowNibble(p);
        vibrato(channel);
        break;
    case 0x05:
        startTonePortamento(channel);
        if (p != 0) channel.volumeSlideMemory = p;
        break;
    case 0x06:
        if (p != 0) channel.volumeSlideMemory = p;
        vibrato(channel);
        break;
    case 0x08:
        channel.panning = p;
        channel.updateFlags |= kUpdatePanning;
        break;
    case 0x09: sampleOffset(channel, context.sample, p); break;
    case 0x0A: if (p != 0) channel.volumeSlideMemory = p; break;
    case 0x0C:
        channel.volume = std::min<std::int32_t>(p, 64);
        channel.updateFlags |= kUpdateVolume;
        break;
    case 0x14: channel.keyOff = 1; break;
    case 0x15: setEnvelopePosition(channel, context.instrument, p); break;
    case 0x19:
        if (p != 0) {
            channel.panningSlideMemory = p;
            channel.updateFlags |= kUpdatePanning;
        }
        break;
    case 0x1B:
        if (p != 0) {
            channel.retrigVolumeType = highNibble(p);
            channel.retrigInterval = lowNibble(p);
        }
        break;
    case 0x1D: setTremor(channel, p); break;
    case 0x21: extraFinePortamento(channel, p); break;
    default: break;
    }
}

void arpeggio(const EffectContext& context) {
    XmChannel& channel = context.channel;
    const std::uint8_t p = context.cell.parameter;
    const std::int32_t phase = context.song.tick % 3;
    const std::int32_t n = phase == 1 ? highNibble(p) : phase == 2 ? lowNibble(p) : 0;
    if (context.song.flags & 1) {
        channel.periodDelta = 64 * n;
    } else {
        const std::int32_t finetune = context.sample.finetune;
        channel.periodDelta = amigaPeriod(channel.realNote + n, finetune) - amigaPeriod(channel.realNote, finetune);
    }
    channel.updateFlags |= kUpdateFrequency;
}

void portamentoUp(XmChannel& channel) {
    channel.period = std::max(channel.period - 4 * channel.portaUpMemory, 56);
    channel.periodDelta = 0;
    channel.updateFlags |= kUpdateFrequency;
}

void portamentoDown(XmChannel& channel) {
    slidePeriod(channel, 4 * channel.portaDownMemory);
    channel.periodDelta = 0;
    channel.updateFlags |= kUpdateFrequency;
}

void globalVolumeSlide(XmSong& song) {
    const std::uint8_t memory = song.globalVolumeSlideMemory;
    if (highNibble(memory) != 0) {
        song.globalVolume = std::min(song.globalVolume + highNibble(memory), 64);
    } else {
        song.globalVolume = std::max(song.globalVolume - lowNibble(memory), 0);
    }
}

void panningSlide(XmChannel& channel) {
    const std::uint8_t memory = channel.panningSlideMemory;
    if (highNibble(memory) != 0) {
        channel.panning = std::min(channel.panning + highNibble(memory), 255);
    } else {
        channel.panning = std::max(channel.panning - lowNibble(memory), 0);
    }
    channel.updateFlags |= kUpdatePanning;
}

void multiRetrig(XmChannel& channel, std::int32_t tick) {
    if (channel.retrigInterval == 0 || tick % channel.retrigInterval != 0) return;
    if (channel.retrigVolumeType != 0) {
        channel.volume = multiRetrigVolume(channel.volume, channel.retrigVolumeType);
        channel.updateFlags |= kUpdateVolume;
    }
    channel.updateFlags |= kUpdateTrigger;
}

}  // namespace

void effectFirstTick(const EffectContext& context) {
    XmSong& song = context.song;
    const std::uint8_t p = context.cell.parameter;
    switch (context.cell.effect) {
    case 0x0B: positionJump(song, p); break;
    case 0x0D: patternBreak(song, p); break;
    case 0x0E: extendedFirstTick(context); break;
    case 0x0F: setSpeed(song, p); break;
    case 0x10:
        song.globalVolume = std::min<std::int32_t>(p, 64);
        context.channel.updateFlags |= kUpdateVolume;
        break;
    case 0x11: if (p != 0) song.globalVolumeSlideMemory = p; break;
    default: channelFirstTick(context); break;
    }
}

void effectFurtherTick(const EffectContext& context) {
    XmChannel& channel = context.channel;
    switch (context.cell.effect) {
    case 0x00: if (context.cell.parameter != 0) arpeggio(context); break;
    case 0x01: portamentoUp(channel); break;
    case 0x02: portamentoDown(channel); break;
    case 0x03:
        channel.periodDelta = 0;
        tonePortamento(channel);
        break;
    case 0x04:
        vibrato(channel);
        advanceVibrato(channel);
        break;
    case 0x05:
        channel.periodDelta = 0;
        tonePortamento(channel);
        volumeSlide(channel);
        break;
    case 0x06:
        vibrato(channel);
        advanceVibrato(channel);
        volumeSlide(channel);
        break;
    case 0x0A: volumeSlide(channel); break;
    case 0x0E: extendedFurtherTick(context); break;
    case 0x11: globalVolumeSlide(context.song); break;
    case 0x19: panningSlide(channel); break;
    case 0x1B: multiRetrig(channel, context.song.tick); break;
    case 0x1D: tremor(channel); break;
    default: break;
    }
}

void slidePeriod(XmChannel& channel, std::int32_t delta) {
    // Far outside hearing either way; the bound only keeps endless slides from overflowing.
    constexpr std::int32_t kPeriodLimit = 1 << 20;
    channel.period = std::clamp(channel.period + delta, -kPeriodLimit, kPeriodLimit);
}

void volumeSlide(XmChannel& channel) {
    const std::uint8_t memory = channel.volumeSlideMemory;
    if (highNibble(memory) != 0) {
        channel.volume = std::min(channel.volume + highNibble(memory), 64);
    } else if (lowNibble(memory) != 0) {
        channel.volume = std::max(channel.volume - lowNibble(memory), 0);
    }
    channel.updateFlags |= kUpdateVolume;
}

std::int32_t multiRetrigVolume(std::int32_t volume, std::uint8_t type) {
    static constexpr std::int32_t kSteps[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    switch (type & 0x0F) {
    case 6: volume = volume * 2 / 3; break;
    case 7: volume >>= 1; break;
    case 14: volume = volume * 3 / 2; break;
    case 15: volume *= 2; break;
    default: volume += kSteps[type & 0x0F]; break;
    }
    return std::clamp(volume, 0, 64);
}
