#pragma once
// The stages of the XM loader, in file order. Each returns false when the
// song must be refused; the caller then frees what was built.
#include <cstdint>

#include "music/xm_player.h"

class XmFileReader;
struct XmSong;

// The patterns of the file (from the current position), then the empty
// 64-row patterns the order table names beyond them.
bool loadPatterns(XmFileReader& reader, XmSong& song, std::int32_t filePatternCount);
// The instruments with their sample headers and sample data.
bool loadInstruments(XmFileReader& reader, XmSong& song);

struct XmSample;

// All decoded samples of a song together; more is no song of this player's.
// The fuzz build holds songs to less: a few header bytes can claim the whole
// budget, and filling it would take most of each run.
#ifndef QORBT_SAMPLE_BUDGET_MIB
#define QORBT_SAMPLE_BUDGET_MIB 64
#endif
constexpr std::int64_t kSampleBudgetBytes = std::int64_t{QORBT_SAMPLE_BUDGET_MIB} << 20;

// The decoded sample memory of a song so far, against its limit.
struct SampleBudget {
    std::int64_t bytes = 0;
};

// One 40-byte sample header, converted to frames (refused past the budget).
bool readSampleHeader(XmFileReader& reader, XmSample& sample, SampleBudget& budget);
// The sample's data: read or decoded, widened to 16 bits, delta-decoded, guard frame set.
bool readSampleData(XmFileReader& reader, XmSample& sample, XmSampleDecoder decoder, int instrument, int index);
