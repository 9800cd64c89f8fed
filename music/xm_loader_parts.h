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

// The decoded sample memory of a song so far, against its limit.
struct SampleBudget {
    std::int64_t bytes = 0;
};

// One 40-byte sample header, converted to frames (refused past the budget).
bool readSampleHeader(XmFileReader& reader, XmSample& sample, SampleBudget& budget);
// The sample's data: read or decoded, widened to 16 bits, delta-decoded, guard frame set.
bool readSampleData(XmFileReader& reader, XmSample& sample, XmSampleDecoder decoder, int instrument, int index);
