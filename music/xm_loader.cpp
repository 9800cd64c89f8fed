// The XM loader: the file routines, the song header, and the order in which
// the parts of the file are read.
#include <algorithm>
#include <cstring>

#include "music/sequencer.h"
#include "music/xm_file_reader.h"
#include "music/xm_loader_parts.h"
#include "music/xm_player.h"
#include "music/xm_types.h"

XmSample emptySample;
XmInstrument emptyInstrument;

namespace {

MusicFileCallbacks fileCallbacks;

// The song header runs to the default BPM at byte 80; a shorter file is no song.
constexpr std::int64_t kSongHeaderEnd = 80;
// Each channel owns the mixer voice of the same index.
constexpr std::int32_t kMaxChannels = 256;
// Pattern and instrument numbers in the order table and the cells are bytes.
constexpr std::int32_t kMaxPatterns = 256;
constexpr std::int32_t kMaxInstruments = 256;
constexpr std::int32_t kDefaultBpm = 125;

bool readSignature(XmFileReader& reader) {
    static const char kSignature[] = "Extended Module: ";
    char bytes[17];
    reader.seekTo(0);
    reader.read(bytes, 17);
    return std::memcmp(bytes, kSignature, 17) == 0;
}

// The order table holds songLength entries from 1 to 256; restarting outside
// it starts over.
void setOrders(XmSong& song, std::uint16_t songLength, std::uint16_t restartPosition) {
    song.songLength = static_cast<std::int16_t>(std::clamp<std::int32_t>(songLength, 1, 256));
    song.restartPosition = restartPosition < song.songLength ? static_cast<std::int16_t>(restartPosition) : 0;
}

// A BPM of 0 has no tick length: it plays at the format's default.
void setTempo(XmSong& song, std::uint16_t speed, std::uint16_t bpm) {
    song.defaultSpeed = static_cast<std::int16_t>(std::min<std::int32_t>(speed, 255));
    song.defaultBpm = static_cast<std::int16_t>(bpm == 0 ? kDefaultBpm : std::min<std::int32_t>(bpm, 255));
}

// Reads the header fields; returns the file's pattern count, or -1 to refuse.
std::int32_t readHeader(XmFileReader& reader, XmSong& song) {
    if (reader.size() < kSongHeaderEnd) return -1;
    reader.seekTo(60);
    const std::uint32_t headerSize = reader.u32();
    std::uint8_t counts[8];
    reader.read(counts, 8);
    std::uint8_t fields[8];
    reader.read(fields, 8);
    reader.read(song.orderTable, 256);
    const std::uint16_t channels = littleU16(counts + 4);
    const std::uint16_t patterns = littleU16(counts + 6);
    const std::uint16_t instruments = littleU16(fields);
    if (channels > kMaxChannels || patterns > kMaxPatterns || instruments > kMaxInstruments) return -1;
    if (!reader.seekTo(60 + static_cast<std::int64_t>(headerSize))) return -1;
    setOrders(song, littleU16(counts), littleU16(counts + 2));
    song.channelCount = static_cast<std::int16_t>(channels);
    song.instrumentCount = static_cast<std::int16_t>(instruments);
    song.flags = static_cast<std::int16_t>(littleU16(fields + 2));
    setTempo(song, littleU16(fields + 4), littleU16(fields + 6));
    return patterns;
}

bool parseSong(XmFileReader& reader, XmSong& song) {
    if (!readSignature(reader)) return false;
    song.tickHandler = xmTick;
    song.initialGlobalVolume = 64;
    const std::int32_t patternCount = readHeader(reader, song);
    if (patternCount < 0) return false;
    return loadPatterns(reader, song, patternCount) && loadInstruments(reader, song);
}

}  // namespace

// The output refuses to start until the file routines are registered.
bool fileCallbacksSet() { return fileCallbacks.open != nullptr; }

void xmSetFileCallbacks(XmOpenFn open, XmCloseFn close, XmReadFn read, XmSeekFn seek, XmTellFn tell) {
    if (open && close && read && seek && tell) {
        fileCallbacks = {open, close, read, seek, tell};
    } else {
        fileCallbacks = {};
    }
}

XmSong* xmLoad(const char* name, XmSampleDecoder sampleDecoder) {
    if (!fileCallbacksSet()) return nullptr;
    void* handle = fileCallbacks.open(name);
    if (!handle) return nullptr;
    XmSong* song = new XmSong();
    song->sampleDecoder = sampleDecoder;
    XmFileReader reader(fileCallbacks, handle);
    const bool parsed = parseSong(reader, *song);
    fileCallbacks.close(handle);
    if (parsed) return song;
    xmFree(song);
    return nullptr;
}
