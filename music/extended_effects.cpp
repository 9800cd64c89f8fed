// The E effects (Exy): fine slides, pattern loop, retrigger, note cut and
// delay, pattern delay.
#include <algorithm>

#include "music/effects.h"
#include "music/sequencer.h"
#include "music/xm_types.h"

namespace {

void patternLoop(XmSong& song, XmChannel& channel, std::uint8_t y) {
    if (y == 0) {
        channel.loopStartRow = song.row;
        return;
    }
    channel.loopCount = channel.loopCount == 0 ? y : channel.loopCount - 1;
    // Two loops sharing a channel's count can re-arm each other forever; the
    // song then loops in place while the mixer goes on, as any looping song does.
    if (channel.loopCount == 0) return;
    // The row after this one is then loopStartRow.
    song.row = channel.loopStartRow - 1;
}

void fineVolumeSlide(XmChannel& channel, std::uint8_t y, std::int32_t direction) {
    if (y != 0) channel.fineVolumeMemory = y;
    channel.volume = std::clamp(channel.volume + direction * channel.fineVolumeMemory, 0, 64);
    channel.updateFlags |= kUpdateVolume;
}

// The note delay holds the channel as it was until its tick comes.
void holdNoteDelay(XmChannel& channel, const RememberedState& remembered) {
    channel.volume = remembered.volume;
    channel.period = remembered.period;
    channel.panning = remembered.panning;
    channel.updateFlags &= 0xF0;
}

void fireNoteDelay(const EffectContext& context) {
    XmChannel& channel = context.channel;
    resetChannelForInstrument(channel, context.sample);
    channel.period = channel.notePeriod;
    channel.updateFlags |= kUpdateFrequency;
    if (context.cell.volume != 0) volumeColumnCommand(channel, context.cell.volume);
    channel.updateFlags |= kUpdateTrigger;
}

}  // namespace

void extendedFirstTick(const EffectContext& context) {
    XmChannel& channel = context.channel;
    const std::uint8_t y = context.cell.parameter & 0x0F;
    switch (context.cell.parameter >> 4) {
    case 0x1: slidePeriod(channel, -4 * y); break;
    case 0x2: slidePeriod(channel, 4 * y); break;
    case 0x4: channel.waveControl = (channel.waveControl & 0xF0) | y; break;
    case 0x5:
        // The shared stand-in for missing samples stays all zero.
        if (&context.sample != &emptySample) context.sample.finetune = static_cast<std::int8_t>(y);
        break;
    case 0x6: patternLoop(context.song, channel, y); break;
    case 0x8:
        channel.panning = 16 * y;
        channel.updateFlags |= kUpdatePanning;
        break;
    case 0xA: fineVolumeSlide(channel, y, 1); break;
    case 0xB: fineVolumeSlide(channel, y, -1); break;
    case 0xD: holdNoteDelay(channel, context.remembered); break;
    case 0xE: context.song.patternDelayTicks = y * context.song.speed; break;
    default: break;
    }
}

void extendedFurtherTick(const EffectContext& context) {
    XmChannel& channel = context.channel;
    const std::int32_t tick = context.song.tick;
    const std::uint8_t y = context.cell.parameter & 0x0F;
    switch (context.cell.parameter >> 4) {
    case 0x9:
        if (y != 0 && tick % y == 0) channel.updateFlags |= kUpdateTrigger | kUpdateFrequency | kUpdateVolume;
        break;
    case 0xC:
        if (tick == y) {
            channel.volume = 0;
            channel.updateFlags |= kUpdateVolume;
        }
        break;
    case 0xD:
        if (tick == y) {
            fireNoteDelay(context);
        } else {
            channel.updateFlags &= 0xF0;
        }
        break;
    default: break;
    }
}
