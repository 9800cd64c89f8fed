#pragma once
// The score: a text file in a tracker-like notation (its own header comment
// explains the notation). parseScore turns it into these records; the
// arrangement step turns them into patterns.
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace songgen {

constexpr int kRowsPerBar = 32;

struct ScoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ScoreInstrument {
    std::string name;
    std::string recipe;
    int volume = 64;    // mix level: the volume of a note played at full strength
    int panning = 128;  // 0 left .. 255 right
};

struct ScoreTrack {
    std::string name;
    int firstChannel = 0;
    int channelCount = 1;
    int panning = -1;  // -1: the instruments' own panning
    // An echo track replays another track's notes later and softer.
    std::string echoOf;
    int echoDelay = 0;
    double echoGain = 1.0;
};

// One event of a phrase, at a row counted from the phrase's start.
struct PhraseEvent {
    int row = 0;
    int lane = 0;         // channel within the track
    int note = 0;         // 0 none, 1..96, kKeyOff
    int instrument = -1;  // index into Score::instruments, -1 none
    int strength = -1;    // 0..64 relative to the instrument's mix level, -1 none
    int effect = 0, parameter = 0;
};

struct Phrase {
    std::string name;
    int rows = 0;
    std::vector<PhraseEvent> events;
};

// "From this row on, this track plays that phrase": repeated until the
// track's next placement, or once.
struct Placement {
    int row = 0;
    std::string track;
    std::string phrase;  // empty: silence (key off) from here
    int transpose = 0;
    double gain = 1.0;
    bool once = false;
    int line = 0;
};

struct Score {
    std::string title;
    int bpm = 125, speed = 6;
    std::vector<int> rowTicks;  // ticks of each row of the repeating cycle, carried by effect F on channel 0
    int bars = 0;
    int restartBar = 0;
    std::vector<ScoreInstrument> instruments;
    std::vector<ScoreTrack> tracks;
    std::map<std::string, Phrase> phrases;
    std::vector<Placement> placements;

    int instrumentIndex(const std::string& name) const;
    const ScoreTrack* track(const std::string& name) const;
};

// Throws ScoreError naming the line of the first mistake.
Score parseScore(const std::string& text);

}  // namespace songgen
