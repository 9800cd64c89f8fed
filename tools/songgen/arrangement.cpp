#include "arrangement.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace songgen {
namespace {

constexpr int kMaxChannels = 32;
constexpr int kEffectPanning = 0x8;
constexpr int kEffectSpeed = 0xF;

// A phrase event placed on the song: absolute row, and the XM volume it plays at.
struct SongEvent {
    int row;
    int lane;
    int note;
    int instrument;  // index, -1 none
    int volume;      // 0..64, -1 none
    int effect, parameter;
};

[[noreturn]] void fail(const std::string& message) { throw ScoreError(message); }

int xmVolume(const Score& score, int instrument, int strength, double gain) {
    const double level = score.instruments[instrument].volume * (strength < 0 ? 64 : strength) / 64.0 * gain;
    return std::clamp(static_cast<int>(std::lround(level)), 0, 64);
}

// The events of one track: each placement plays its phrase from its row until
// the track's next placement (repeating it, or once), transposed and scaled.
std::vector<SongEvent> trackEvents(const Score& score, const ScoreTrack& track, int totalRows) {
    std::vector<const Placement*> placements;
    for (const Placement& p : score.placements)
        if (p.track == track.name) placements.push_back(&p);
    std::stable_sort(placements.begin(), placements.end(),
                     [](const Placement* a, const Placement* b) { return a->row < b->row; });

    std::vector<SongEvent> events;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const Placement& p = *placements[i];
        const int end = i + 1 < placements.size() ? placements[i + 1]->row : totalRows;
        if (end == p.row) fail("line " + std::to_string(p.line) + ": track " + track.name + " is placed twice on one row");
        if (p.row >= totalRows) fail("line " + std::to_string(p.line) + ": placement after the end of the song");
        if (p.phrase.empty()) {
            for (int lane = 0; lane < track.channelCount; ++lane) events.push_back({p.row, lane, kKeyOff, -1, -1, 0, 0});
            continue;
        }
        const Phrase& phrase = score.phrases.at(p.phrase);
        for (int start = p.row; start < end; start += phrase.rows) {
            for (const PhraseEvent& e : phrase.events) {
                const int row = start + e.row;
                if (row >= end) continue;
                if (e.lane >= track.channelCount)
                    fail("line " + std::to_string(p.line) + ": phrase " + p.phrase + " needs more channels than track " +
                         track.name + " has");
                SongEvent s{row, e.lane, e.note, e.instrument, -1, e.effect, e.parameter};
                if (e.note > 0 && e.note != kKeyOff) {
                    s.note += p.transpose;
                    if (s.note < 1 || s.note > 96)
                        fail("line " + std::to_string(p.line) + ": transposed note of " + p.phrase + " out of range");
                }
                if (e.instrument >= 0) s.volume = xmVolume(score, e.instrument, e.strength, p.gain);
                events.push_back(s);
            }
            if (p.once) break;
        }
    }
    return events;
}

// An echo: the source's events later, softer, on the echo track's lanes.
std::vector<SongEvent> echoEvents(const ScoreTrack& echo, const std::vector<SongEvent>& source, int totalRows) {
    std::vector<SongEvent> events;
    for (SongEvent e : source) {
        e.row += echo.echoDelay;
        if (e.row >= totalRows || e.lane >= echo.channelCount) continue;
        if (e.volume >= 0) e.volume = std::clamp(static_cast<int>(std::lround(e.volume * echo.echoGain)), 0, 64);
        events.push_back(e);
    }
    return events;
}

class SongGrid {
public:
    SongGrid(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(rowCount * channelCount), used(rowCount * channelCount) {}

    void put(const ScoreTrack& track, const SongEvent& e) {
        const int channel = track.firstChannel + e.lane;
        const int at = e.row * channels + channel;
        if (used[at])
            fail("two events meet on track " + track.name + " at bar " + std::to_string(e.row / kRowsPerBar) + " row " +
                 std::to_string(e.row % kRowsPerBar));
        used[at] = true;
        XmCell& c = cells[at];
        c.note = static_cast<std::uint8_t>(e.note);
        c.instrument = static_cast<std::uint8_t>(e.instrument + 1);
        c.volume = static_cast<std::uint8_t>(e.volume >= 0 ? 0x10 + e.volume : 0);
        c.effect = static_cast<std::uint8_t>(e.effect);
        c.parameter = static_cast<std::uint8_t>(e.parameter);
        // A track's panning rides on its notes where the effect column is free.
        if (track.panning >= 0 && c.instrument != 0 && c.effect == 0 && c.parameter == 0) {
            c.effect = kEffectPanning;
            c.parameter = static_cast<std::uint8_t>(track.panning);
        }
        if (channel == 0 && (c.effect != 0 || c.parameter != 0))
            fail("channel 0 carries the row timing; track " + track.name + " may not put effects on it");
    }

    // Effect F on every row of channel 0 sets the ticks of that row.
    void writeRowTimes(const std::vector<int>& rowTicks) {
        for (int row = 0; row < rows; ++row) {
            XmCell& c = cells[row * channels];
            c.effect = kEffectSpeed;
            c.parameter = static_cast<std::uint8_t>(rowTicks[row % rowTicks.size()]);
        }
    }

    XmPatternData pattern(int first) const {
        XmPatternData p;
        p.rows = kPatternRows;
        p.cells.assign(cells.begin() + first * channels, cells.begin() + (first + kPatternRows) * channels);
        return p;
    }

private:
    int rows, channels;
    std::vector<XmCell> cells;
    std::vector<bool> used;
};

int channelCount(const Score& score) {
    std::vector<std::string> owner(kMaxChannels);
    int count = 0;
    for (const ScoreTrack& t : score.tracks) {
        for (int c = t.firstChannel; c < t.firstChannel + t.channelCount; ++c) {
            if (c >= kMaxChannels) fail("track " + t.name + " uses channel " + std::to_string(c) + "; the song has 32");
            if (!owner[c].empty()) fail("tracks " + owner[c] + " and " + t.name + " share channel " + std::to_string(c));
            owner[c] = t.name;
        }
        count = std::max(count, t.firstChannel + t.channelCount);
    }
    if (count == 0) fail("the score has no tracks");
    return count;
}

}  // namespace

Arrangement arrange(const Score& score) {
    Arrangement result;
    result.channels = channelCount(score);
    const int totalRows = score.bars * kRowsPerBar;
    if (totalRows % kPatternRows != 0) fail("the song must fill whole patterns of 128 rows");

    std::map<std::string, std::vector<SongEvent>> events;
    for (const ScoreTrack& t : score.tracks)
        if (t.echoOf.empty()) events[t.name] = trackEvents(score, t, totalRows);
    for (const ScoreTrack& t : score.tracks)
        if (!t.echoOf.empty()) events[t.name] = echoEvents(t, events.at(t.echoOf), totalRows);

    SongGrid grid(totalRows, result.channels);
    for (const ScoreTrack& t : score.tracks)
        for (const SongEvent& e : events.at(t.name)) grid.put(t, e);
    grid.writeRowTimes(score.rowTicks);

    // Identical patterns are stored once.
    for (int first = 0; first < totalRows; first += kPatternRows) {
        XmPatternData p = grid.pattern(first);
        const auto same = std::find(result.patterns.begin(), result.patterns.end(), p);
        result.orders.push_back(static_cast<int>(same - result.patterns.begin()));
        if (same == result.patterns.end()) result.patterns.push_back(std::move(p));
    }
    result.restartPosition = score.restartBar * kRowsPerBar / kPatternRows;
    return result;
}

}  // namespace songgen
