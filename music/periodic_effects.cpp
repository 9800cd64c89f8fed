// The periodic effects: tone portamento, vibrato, auto-vibrato and tremor.
#include <algorithm>
#include <cmath>

#include "maths/elementary.h"
#include "music/effects.h"
#include "music/xm_types.h"

namespace {

// |trunc(256 x sin(2q x 0.049087375))|, 255 at the peaks q = +-16.
std::int32_t sineMagnitude(std::int32_t position) {
    return std::abs(static_cast<std::int32_t>(256.0 * maths::sin(2 * position * 0.049087375)));
}

std::int32_t vibratoMagnitude(std::int32_t position, std::uint8_t waveform) {
    switch (waveform) {
    case 0: return sineMagnitude(position);
    case 1: {
        const std::int32_t ramp = (8 * position) & 0xFF;
        return position < 0 ? 255 - ramp : ramp;
    }
    default: return 255;
    }
}

// The auto-vibrato waveforms, -64..64. Types above 3 have no waveform.
std::int32_t autoVibratoWave(std::int32_t position, std::uint8_t type) {
    switch (type) {
    case 0: return static_cast<std::int32_t>(64.0 * maths::sin(2 * position * 0.01227184375));
    case 1: return position < 128 ? 64 : -64;
    case 2: return (128 - ((position + 128) % 256)) >> 1;
    case 3: return (128 - ((384 - position) % 256)) >> 1;
    default: return 0;
    }
}

}  // namespace

void tonePortamento(XmChannel& channel) {
    const std::int32_t step = 4 * channel.portaSpeed;
    if (channel.period < channel.portaTarget) channel.period = std::min(channel.period + step, channel.portaTarget);
    if (channel.period > channel.portaTarget) channel.period = std::max(channel.period - step, channel.portaTarget);
    channel.updateFlags |= kUpdateFrequency;
}

void vibrato(XmChannel& channel) {
    const std::int32_t position = channel.vibratoPosition;
    const std::int32_t magnitude = vibratoMagnitude(position, channel.waveControl & 3);
    const std::int32_t delta = ((magnitude * channel.vibratoDepth) >> 5) & ~3;
    channel.periodDelta = position >= 0 ? -delta : delta;
    channel.updateFlags |= kUpdateFrequency;
}

void advanceVibrato(XmChannel& channel) {
    std::int32_t position = static_cast<std::int8_t>(channel.vibratoPosition + channel.vibratoSpeed);
    if (position > 31) position -= 64;
    channel.vibratoPosition = static_cast<std::int8_t>(position);
}

void autoVibrato(XmChannel& channel, const XmInstrument& instrument) {
    std::int32_t delta = instrument.vibratoDepth * autoVibratoWave(channel.autoVibratoPosition, instrument.vibratoType);
    if (instrument.vibratoSweep != 0) delta = channel.autoVibratoSweep * delta / instrument.vibratoSweep;
    channel.periodDelta += delta >> 6;
    channel.autoVibratoSweep = std::min<std::int32_t>(channel.autoVibratoSweep + 1, instrument.vibratoSweep);
    channel.autoVibratoPosition += instrument.vibratoRate;
    if (channel.autoVibratoPosition > 255) channel.autoVibratoPosition -= 256;
    channel.updateFlags |= kUpdateFrequency;
}

void tremor(XmChannel& channel) {
    if (channel.tremorCount >= channel.tremorOn) channel.volumeDelta = -channel.volume;
    // A new, shorter tremor may find the count already past its cycle: start over
    // rather than stay silent until the count wraps.
    channel.tremorCount += 1;
    if (channel.tremorCount >= channel.tremorOn + channel.tremorOff) channel.tremorCount = 0;
    channel.updateFlags |= kUpdateVolume;
}
