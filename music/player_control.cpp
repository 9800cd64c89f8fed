// Starting, stopping and freeing songs, the list of playing songs the output
// walks, and the position queries the demo clock reads without waiting.
#include <cmath>
#include <mutex>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/sequencer.h"
#include "music/xm_player.h"
#include "music/xm_types.h"

XmSong playingSongs;

namespace {

void unlink(XmSong& song) {
    song.prev->next = song.next;
    song.next->prev = song.prev;
    song.next = &song;
    song.prev = &song;
}

void append(XmSong& song) {
    song.prev = playingSongs.prev;
    song.next = &playingSongs;
    playingSongs.prev->next = &song;
    playingSongs.prev = &song;
}

// The mixer mixes the one voice pool for every playing song, so two songs
// would play each other's voices: one song plays at a time.
bool otherSongPlaying(const XmSong& song) {
    for (const XmSong* s = playingSongs.next; s != &playingSongs; s = s->next) {
        if (s != &song) return true;
    }
    return false;
}

// Called with the mixing lock held.
void stopLocked(XmSong& song) {
    if (!song.playing) return;
    unlink(song);
    song.playing = 0;
    // The pool of the running output; channels keep pointers into it.
    if (voicePool) {
        for (std::int32_t i = 0; i < song.channelCount; ++i) voiceStop(&voicePool[i]);
    }
    delete[] song.channels;
    song.channels = nullptr;
}

void resetPlayback(XmSong& song) {
    song.globalVolume = song.initialGlobalVolume;
    song.nextOrder = -1;
    song.nextRow = -1;
    song.timeSeconds = 0.0f;
    song.speed = song.defaultSpeed;
    song.row = 0;
    song.orderPosition = 0;
    song.framesLeftInTick = 0;
    song.tick = 0;
    song.patternDelayTicks = 0;
    song.rowCells = nullptr;
    samplesPerTick(&song, song.defaultBpm);
}

void createChannels(XmSong& song) {
    song.channels = new XmChannel[song.channelCount]();
    for (std::int32_t i = 0; i < song.channelCount; ++i) {
        song.channels[i].voice = &voicePool[i];
        song.channels[i].voiceIndex = i;
    }
}

void releaseInstruments(XmSong& song) {
    if (!song.instruments) return;
    for (std::int32_t i = 0; i < song.instrumentCount; ++i) {
        const XmInstrument& instrument = song.instruments[i];
        for (std::int32_t j = 0; j < instrument.sampleCount; ++j) {
            XmSample* sample = instrument.samples[j];
            if (!sample || sample == &emptySample) continue;
            delete[] sample->data;
            delete sample;
        }
    }
    delete[] song.instruments;
}

void releasePatterns(XmSong& song) {
    if (!song.patterns) return;
    for (std::int32_t i = 0; i < song.patternCount; ++i) delete[] song.patterns[i].cells;
    delete[] song.patterns;
}

}  // namespace

bool xmPlay(XmSong* song) {
    if (!song) return false;
    std::lock_guard<std::mutex> lock(mixingLock());
    // Without a started output there are no voices to bind the channels to.
    if (!voicePool || otherSongPlaying(*song)) return false;
    stopLocked(*song);
    resetPlayback(*song);
    createChannels(*song);
    append(*song);
    song->playing = 1;
    return true;
}

bool xmStop(XmSong* song) {
    if (!song) return false;
    std::lock_guard<std::mutex> lock(mixingLock());
    stopLocked(*song);
    return true;
}

bool xmFree(XmSong* song) {
    if (!song) return false;
    std::lock_guard<std::mutex> lock(mixingLock());
    stopLocked(*song);
    releaseInstruments(*song);
    releasePatterns(*song);
    delete song;
    return true;
}

std::int32_t xmGetTimeMs(const XmSong* song) {
    if (!song) return 0;
    const double ms = static_cast<double>(song->timeSeconds.load(std::memory_order_relaxed)) *
                      static_cast<double>(1000.0f);
    return ms < 2147483647.0 ? static_cast<std::int32_t>(ms) : INT32_MAX;
}

std::int32_t xmGetRow(const XmSong* song) { return song ? song->row.load(std::memory_order_relaxed) : 0; }

std::int32_t xmGetOrder(const XmSong* song) {
    return song ? song->orderPosition.load(std::memory_order_relaxed) : 0;
}
