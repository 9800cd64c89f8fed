// Periods and tick lengths: the integer arithmetic of notes, the Amiga table
// and the number of output frames per tick.
#include <algorithm>

#include "maths/elementary.h"
#include "music/output.h"
#include "music/sequencer.h"
#include "music/xm_types.h"

namespace {

// trunc(13.375 x 2^(k / 12)): the Amiga period table, extended both ways.
std::int32_t amigaTableEntry(std::int32_t k) {
    return static_cast<std::int32_t>(13.375 * maths::exp2(k / 12.0));
}

}  // namespace

std::int32_t amigaPeriod(std::int32_t note, std::int32_t finetune) {
    const std::int32_t base = amigaTableEntry(132 - note);
    if (finetune < 0 && note != 0) {
        return base + ((base - amigaTableEntry(133 - note)) * -finetune) / -128;
    }
    return base + ((base - amigaTableEntry(131 - note)) * finetune) / -128;
}

std::int32_t notePeriod(const XmSong& song, std::int32_t realNote, std::int32_t finetune) {
    if (song.flags & 1) return 7680 - 64 * realNote - finetune / 2;
    return amigaPeriod(realNote, finetune);
}

void samplesPerTick(XmSong* song, std::int32_t bpm) {
    song->bpm = bpm;
    // Evaluated in double with the single-precision constants widened, this is
    // floor(2.5 x rate / bpm) for every bpm from 1 to 255.
    const double frames = 1000.0 / (std::max(bpm, 1) * static_cast<double>(0.4f)) * outputRate() *
                          static_cast<double>(0.001f);
    // At least one frame, or the output would never get past the tick.
    song->framesPerTick = frames >= 1.0 ? static_cast<std::int32_t>(std::min(frames, 2147483647.0)) : 1;
}
