// Patterns: the packed note cells of the file, unpacked into rows x channels.
#include <algorithm>
#include <new>

#include "music/xm_file_reader.h"
#include "music/xm_loader_parts.h"
#include "music/xm_types.h"

namespace {

// The format's largest pattern; a row count of 0 reads as the 64 of a new pattern.
constexpr std::int32_t kMaxRows = 256;
constexpr std::int32_t kDefaultRows = 64;

// Key off is held as 0xFF: the file's 97 becomes it, and a stored 0xFF stays
// it; the notes between are none. Instruments beyond 128 are none.
void sanitizeCell(NoteCell& cell) {
    if (cell.note == 97) {
        cell.note = kKeyOffNote;
    } else if (cell.note > 97 && cell.note != kKeyOffNote) {
        cell.note = 0;
    }
    if (cell.instrument > 128) cell.instrument = 0;
}

// One cell: either a mask byte (bit 7) naming the fields that follow, or the
// note itself followed by the other four fields.
void readCell(XmFileReader& reader, NoteCell& cell) {
    const std::uint8_t first = reader.u8();
    if (first & 0x80) {
        std::uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.parameter};
        for (int bit = 0; bit < 5; ++bit) {
            if (first & (1 << bit)) *fields[bit] = reader.u8();
        }
    } else {
        std::uint8_t rest[4];
        reader.read(rest, 4);
        cell = {first, rest[0], rest[1], rest[2], rest[3]};
    }
    sanitizeCell(cell);
}

bool allocateCells(XmPattern& pattern, std::int32_t rows, std::int32_t channels) {
    pattern.rows = rows;
    pattern.cells = new (std::nothrow) NoteCell[static_cast<std::size_t>(rows) * channels]();
    return pattern.cells != nullptr;
}

// Header: length (not used), packing type (not used), rows, packed size. The
// packed size neither bounds nor skips the cells.
bool readPattern(XmFileReader& reader, XmPattern& pattern, std::int32_t channels) {
    std::uint8_t header[9];
    reader.read(header, 9);
    std::int32_t rows = littleU16(header + 5);
    const std::uint16_t packedSize = littleU16(header + 7);
    if (rows > kMaxRows) return false;
    if (rows == 0) rows = kDefaultRows;
    if (!allocateCells(pattern, rows, channels)) return false;
    if (packedSize == 0) return true;
    // Past the end of the file every cell reads as empty, which they are already.
    const std::int32_t cellCount = rows * channels;
    for (std::int32_t i = 0; i < cellCount && !reader.exhausted(); ++i) readCell(reader, pattern.cells[i]);
    return true;
}

std::int32_t highestOrder(const XmSong& song) {
    return *std::max_element(song.orderTable, song.orderTable + song.songLength);
}

}  // namespace

bool loadPatterns(XmFileReader& reader, XmSong& song, std::int32_t filePatternCount) {
    song.patternsUsed = 1 + highestOrder(song);
    const std::int32_t count = std::max(filePatternCount, song.patternsUsed);
    song.patterns = new (std::nothrow) XmPattern[count]();
    if (!song.patterns) return false;
    song.patternCount = count;
    for (std::int32_t i = 0; i < count; ++i) {
        XmPattern& pattern = song.patterns[i];
        const bool loaded = i < filePatternCount ? readPattern(reader, pattern, song.channelCount)
                                                 : allocateCells(pattern, kDefaultRows, song.channelCount);
        if (!loaded) return false;
    }
    return true;
}
