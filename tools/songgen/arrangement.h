#pragma once
// Lays the score's phrases out on the song's rows and cuts the result into
// 128-row patterns: repeats and transposes phrases as placed, derives echo
// tracks, writes effect F on every row of channel 0, and lets identical
// patterns share one number in the order table.
#include <vector>

#include "score.h"
#include "xm_writer.h"

namespace songgen {

constexpr int kPatternRows = 128;

struct Arrangement {
    int channels = 0;
    std::vector<XmPatternData> patterns;
    std::vector<int> orders;
    int restartPosition = 0;
};

// Throws ScoreError when events collide, leave the note range, or channel 0
// is given an effect of its own.
Arrangement arrange(const Score& score);

}  // namespace songgen
