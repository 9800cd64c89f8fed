// The volume column: set volume, slides, vibrato, panning and tone portamento.
#include <algorithm>

#include "music/effects.h"
#include "music/xm_types.h"

namespace {

void slideVolume(XmChannel& channel, std::int32_t amount) {
    channel.volume = std::clamp(channel.volume + amount, 0, 64);
    channel.updateFlags |= kUpdateVolume;
}

void slidePanning(XmChannel& channel, std::int32_t amount) {
    channel.panning = std::clamp(channel.panning + amount, 0, 255);
    channel.updateFlags |= kUpdatePanning;
}

}  // namespace

void volumeColumnCommand(XmChannel& channel, std::uint8_t command) {
    const std::uint8_t x = command & 0x0F;
    if (command >= 0x10 && command <= 0x50) {
        channel.volume = command - 0x10;
        channel.updateFlags |= kUpdateVolume;
        return;
    }
    switch (command >> 4) {
    case 0x6:
    case 0x8: slideVolume(channel, -x); break;
    case 0x7:
    case 0x9: slideVolume(channel, x); break;
    case 0xA: channel.vibratoSpeed = x; break;
    case 0xB: channel.vibratoDepth = x; break;
    case 0xC:
        channel.panning = 16 * x;
        channel.updateFlags |= kUpdatePanning;
        break;
    case 0xD: slidePanning(channel, -x); break;
    case 0xE: slidePanning(channel, x); break;
    case 0xF:
        if (x != 0) channel.portaSpeed = static_cast<std::uint8_t>(16 * x);
        channel.portaTarget = channel.notePeriod;
        channel.updateFlags &= ~kUpdateTrigger;
        break;
    default: break;
    }
}

void volumeColumnFurtherTick(XmChannel& channel, std::uint8_t command) {
    const std::uint8_t x = command & 0x0F;
    switch (command >> 4) {
    case 0x6: slideVolume(channel, -x); break;
    case 0x7: slideVolume(channel, x); break;
    case 0xB:
        channel.vibratoDepth = x;
        vibrato(channel);
        advanceVibrato(channel);
        break;
    case 0xD: slidePanning(channel, -x); break;
    case 0xE: slidePanning(channel, x); break;
    case 0xF: tonePortamento(channel); break;
    default: break;
    }
}
