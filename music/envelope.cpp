// Instrument envelopes: one step per tick between the points, with sustain
// and loop, in 16.16 fixed point; and effect L, which moves the volume
// envelope to a given tick.
#include <algorithm>

#include "music/effects.h"
#include "music/xm_types.h"

namespace {

// One envelope of an instrument (the loader keeps the indices inside the points).
struct EnvelopeShape {
    const EnvelopePoint* points;
    std::int32_t count;
    std::uint8_t type;  // bit 0 on, bit 1 sustain, bit 2 loop
    std::uint8_t sustain, loopStart, loopEnd;
};

// The channel's running state of one envelope.
struct EnvelopeState {
    std::int32_t& tick;
    std::int32_t& index;
    std::int32_t& value;
    std::int32_t& increment;
    std::int32_t& output;
    std::uint8_t& done;
};

// Slope from point a to point b per tick, 16.16; flat for points on one tick.
std::int32_t slope(const EnvelopePoint& a, const EnvelopePoint& b) {
    const std::int32_t ticks = b.tick - a.tick;
    return ticks != 0 ? (b.value - a.value) * 65536 / ticks : 0;
}

// On a point: loop back, finish, hold at the sustain point or head for the
// next point. Returns false when the envelope stays where it is this tick.
bool reachPoint(const EnvelopeShape& shape, EnvelopeState& state, bool keyOff) {
    const EnvelopePoint* points = shape.points;
    if ((shape.type & 4) && state.index == shape.loopEnd) {
        state.index = shape.loopStart;
        state.tick = points[state.index].tick;
    }
    if (state.index == shape.count - 1) {
        state.output = points[state.index].value;
        state.done = 1;
        return false;
    }
    if ((shape.type & 2) && state.index == shape.sustain && !keyOff) {
        state.output = points[state.index].value;
        return false;
    }
    state.increment = slope(points[state.index], points[state.index + 1]);
    state.value = points[state.index].value * 65536;
    state.index += 1;
    return true;
}

void stepEnvelope(const EnvelopeShape& shape, EnvelopeState state, XmChannel& channel, std::uint8_t flag) {
    channel.updateFlags |= flag;
    if (state.index < shape.count && state.tick == shape.points[state.index].tick) {
        if (!reachPoint(shape, state, channel.keyOff)) return;
    } else if (state.index < shape.count) {
        state.value += state.increment;
    }
    state.output = state.value >> 16;
    state.tick += 1;
}

EnvelopeShape volumeShape(const XmInstrument& instrument) {
    return {instrument.volumeEnvelope, std::min<std::int32_t>(instrument.volumePointCount, 12),
            instrument.volumeType, instrument.volumeSustain, instrument.volumeLoopStart, instrument.volumeLoopEnd};
}

EnvelopeShape panningShape(const XmInstrument& instrument) {
    return {instrument.panningEnvelope, std::min<std::int32_t>(instrument.panningPointCount, 12),
            instrument.panningType, instrument.panningSustain, instrument.panningLoopStart, instrument.panningLoopEnd};
}

}  // namespace

void stepVolumeEnvelope(XmChannel& channel, const XmInstrument& instrument) {
    EnvelopeState state{channel.volumeEnvelopeTick,      channel.volumeEnvelopeIndex, channel.volumeEnvelopeValue,
                        channel.volumeEnvelopeIncrement, channel.envelopeVolume,      channel.volumeEnvelopeDone};
    stepEnvelope(volumeShape(instrument), state, channel, kUpdateVolume);
}

void stepPanningEnvelope(XmChannel& channel, const XmInstrument& instrument) {
    EnvelopeState state{channel.panningEnvelopeTick,      channel.panningEnvelopeIndex, channel.panningEnvelopeValue,
                        channel.panningEnvelopeIncrement, channel.envelopePanning,      channel.panningEnvelopeDone};
    stepEnvelope(panningShape(instrument), state, channel, kUpdatePanning);
}

void setEnvelopePosition(XmChannel& channel, const XmInstrument& instrument, std::int32_t target) {
    const EnvelopeShape shape = volumeShape(instrument);
    if (!(shape.type & 1) || shape.count < 2) return;
    const EnvelopePoint* points = shape.points;
    const std::int32_t n = shape.count;
    if (target < points[0].tick) {
        // Before its first point the envelope holds that point until its tick
        // comes; the line drawn back from it would leave 0..64 and, far enough
        // back, overflow.
        channel.volumeEnvelopeDone = 0;
        channel.volumeEnvelopeTick = target;
        channel.volumeEnvelopeIndex = 0;
        channel.volumeEnvelopeIncrement = 0;
        channel.volumeEnvelopeValue = points[0].value * 65536;
        channel.envelopeVolume = points[0].value;
        return;
    }
    std::int32_t j = 0;
    while (j + 1 < n && target > points[j + 1].tick) ++j;
    channel.volumeEnvelopeIndex = j;
    if (j >= n - 1) {
        channel.envelopeVolume = points[n - 1].value;
        channel.volumeEnvelopeDone = 1;
        return;
    }
    channel.volumeEnvelopeDone = 0;
    channel.volumeEnvelopeTick = target;
    channel.volumeEnvelopeIncrement = slope(points[j], points[j + 1]);
    channel.volumeEnvelopeValue = points[j].value * 65536 + (target - points[j].tick) * channel.volumeEnvelopeIncrement;
    channel.volumeEnvelopeIndex = j + 1;
    channel.envelopeVolume = channel.volumeEnvelopeValue >> 16;
}
