#include "score.h"

#include <cctype>
#include <sstream>

#include "xm_writer.h"

namespace songgen {

int Score::instrumentIndex(const std::string& name) const {
    for (std::size_t i = 0; i < instruments.size(); ++i)
        if (instruments[i].name == name) return static_cast<int>(i);
    return -1;
}

const ScoreTrack* Score::track(const std::string& name) const {
    for (const ScoreTrack& t : tracks)
        if (t.name == name) return &t;
    return nullptr;
}

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// A comment runs from a '#' that starts a word to the end of the line (the
// '#' inside a note name such as F#3 is a sharp).
void stripComment(std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
            line.erase(i);
            return;
        }
    }
}

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Grid symbols: the strength of a hit, relative to the instrument's mix level.
int gridStrength(char c) {
    switch (c) {
        case 'X': return 64;
        case 'x': return 44;
        case 'o': return 28;
        default: return c >= '1' && c <= '9' ? 7 * (c - '0') : -1;
    }
}

class Parser {
public:
    Score run(const std::string& text) {
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            ++lineNumber;
            stripComment(line);
            const std::vector<std::string> w = words(line);
            if (w.empty()) continue;
            if (std::isspace(static_cast<unsigned char>(line[0]))) body(w);
            else topLevel(w, line);
        }
        finishPhrase();
        check();
        return score;
    }

private:
    [[noreturn]] void fail(const std::string& message) const {
        throw ScoreError("line " + std::to_string(lineNumber) + ": " + message);
    }

    // The value of a conversion that must read all of s.
    template <typename Convert>
    auto wholeWord(const std::string& s, Convert convert) const {
        try {
            std::size_t used = 0;
            const auto value = convert(&used);
            if (used == s.size()) return value;
        } catch (const std::exception&) {
        }
        fail("'" + s + "' is not a number");
    }

    int number(const std::string& s) const {
        return wholeWord(s, [&](std::size_t* used) { return std::stoi(s, used); });
    }

    double decimal(const std::string& s) const {
        return wholeWord(s, [&](std::size_t* used) { return std::stod(s, used); });
    }

    void expectCount(const std::vector<std::string>& w, std::size_t count) const {
        if (w.size() != count) fail("'" + w[0] + "' takes " + std::to_string(count - 1) + " values");
    }

    // --- Top level ------------------------------------------------------------

    void topLevel(const std::vector<std::string>& w, const std::string& line) {
        finishPhrase();
        const std::string& key = w[0];
        if (key == "song") {
            if (w.size() < 2) fail("song needs a title");
            const std::string title = line.substr(line.find("song") + 4);
            const std::size_t first = title.find('"'), last = title.rfind('"');
            score.title = first != last ? title.substr(first + 1, last - first - 1) : w[1];
        } else if (key == "tempo") {
            expectCount(w, 3);
            score.bpm = number(w[1]), score.speed = number(w[2]);
            if (score.bpm < 32 || score.bpm > 255 || score.speed < 1 || score.speed > 31)
                fail("tempo takes a BPM of 32..255 and a speed of 1..31");
        } else if (key == "swing") {
            score.rowTicks.clear();
            for (std::size_t i = 1; i < w.size(); ++i) score.rowTicks.push_back(number(w[i]));
        } else if (key == "bars") {
            expectCount(w, 2);
            score.bars = number(w[1]);
        } else if (key == "restart") {
            expectCount(w, 2);
            score.restartBar = number(w[1]);
        } else if (key == "instrument") {
            instrumentLine(w);
        } else if (key == "track") {
            trackLine(w);
        } else if (key == "phrase") {
            phraseLine(w);
        } else if (key == "at") {
            placements(w);
        } else {
            fail("unknown keyword '" + key + "'");
        }
    }

    void instrumentLine(const std::vector<std::string>& w) {
        expectCount(w, 5);
        if (score.instrumentIndex(w[1]) >= 0) fail("instrument '" + w[1] + "' is defined twice");
        ScoreInstrument ins{w[1], w[2], number(w[3]), number(w[4])};
        if (ins.volume < 0 || ins.volume > 64) fail("volume must be 0..64");
        if (ins.panning < 0 || ins.panning > 255) fail("panning must be 0..255");
        score.instruments.push_back(ins);
    }

    void trackLine(const std::vector<std::string>& w) {
        if (w.size() < 3) fail("track needs a name and its channels");
        if (score.track(w[1])) fail("track '" + w[1] + "' is defined twice");
        ScoreTrack t;
        t.name = w[1];
        const std::size_t dash = w[2].find('-');
        t.firstChannel = number(w[2].substr(0, dash));
        const int last = dash == std::string::npos ? t.firstChannel : number(w[2].substr(dash + 1));
        t.channelCount = last - t.firstChannel + 1;
        if (t.firstChannel < 0 || t.channelCount < 1) fail("bad channel range '" + w[2] + "'");
        for (std::size_t i = 3; i < w.size(); ++i) {
            const std::size_t eq = w[i].find('=');
            if (eq == std::string::npos) fail("expected option=value, got '" + w[i] + "'");
            const std::string option = w[i].substr(0, eq), value = w[i].substr(eq + 1);
            if (option == "pan") t.panning = number(value);
            else if (option == "echo") t.echoOf = value;
            else if (option == "delay") t.echoDelay = number(value);
            else if (option == "gain") t.echoGain = decimal(value);
            else fail("unknown track option '" + option + "'");
        }
        if (!t.echoOf.empty() && !score.track(t.echoOf)) fail("echo of unknown track '" + t.echoOf + "'");
        score.tracks.push_back(t);
    }

    void phraseLine(const std::vector<std::string>& w) {
        if (w.size() < 2) fail("phrase needs a name");
        const std::string& name = w[1];
        for (char c : name)
            if (!isNameChar(c)) fail("phrase names use letters, digits and '_' only");
        if (score.phrases.count(name)) fail("phrase '" + name + "' is defined twice");
        current = &score.phrases[name];
        current->name = name;
        cursor = 0, lastLength = 8, width = 1, instrument = -1, sequence = false;
        gridCursors.clear();
        if (w.size() > 2) {
            if (w[2] != "=") fail("expected '=' after the phrase name");
            sequence = true;
            for (std::size_t i = 3; i < w.size(); ++i) sequenceItem(w[i]);
        }
    }

    void finishPhrase() {
        if (current && current->rows <= 0) fail("phrase '" + current->name + "' is empty");
        // Phrases repeat by their own length; a stray row would shift everything after it.
        if (current && current->rows % 8 != 0)
            fail("phrase '" + current->name + "' lasts " + std::to_string(current->rows) + " rows, not whole beats of 8");
        current = nullptr;
    }

    // at BAR[.ROW] track=phrase[+N|-N][*GAIN][!] ...
    void placements(const std::vector<std::string>& w) {
        if (w.size() < 3) fail("'at' needs a bar and at least one track=phrase");
        const std::size_t dot = w[1].find('.');
        int row = number(w[1].substr(0, dot)) * kRowsPerBar;
        if (dot != std::string::npos) row += number(w[1].substr(dot + 1));
        for (std::size_t i = 2; i < w.size(); ++i) {
            const std::size_t eq = w[i].find('=');
            if (eq == std::string::npos) fail("expected track=phrase, got '" + w[i] + "'");
            Placement p;
            p.row = row;
            p.line = lineNumber;
            p.track = w[i].substr(0, eq);
            if (!score.track(p.track)) fail("unknown track '" + p.track + "'");
            const std::string rest = w[i].substr(eq + 1);
            if (rest != "-") placementPhrase(rest, p);
            score.placements.push_back(p);
        }
    }

    void placementPhrase(const std::string& text, Placement& p) {
        std::size_t i = 0;
        while (i < text.size() && isNameChar(text[i])) ++i;
        p.phrase = text.substr(0, i);
        if (!score.phrases.count(p.phrase)) fail("unknown phrase '" + p.phrase + "'");
        while (i < text.size()) {
            const char c = text[i];
            std::size_t end = i + 1;
            while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
            const std::string value = text.substr(i + 1, end - i - 1);
            if (c == '+' || c == '-') p.transpose = (c == '-' ? -1 : 1) * number(value);
            else if (c == '*') p.gain = decimal(value);
            else if (c == '!' && value.empty()) p.once = true;
            else fail("cannot read '" + text.substr(i) + "'");
            i = end;
        }
    }

    // --- Phrase bodies ------------------------------------------------------

    void body(const std::vector<std::string>& w) {
        if (!current) fail("indented line outside a phrase");
        if (sequence) {
            for (const std::string& item : w) sequenceItem(item);
        } else if (w[0] == "grid") {
            grid(w);
        } else {
            for (std::size_t i = 0; i < w.size(); ++i) {
                if (w[i] == "use") {
                    if (i + 1 == w.size()) fail("'use' needs an instrument name");
                    instrument = score.instrumentIndex(w[++i]);
                    if (instrument < 0) fail("unknown instrument '" + w[i] + "'");
                } else {
                    token(w[i]);
                }
            }
        }
        if (cursor > current->rows) current->rows = cursor;
    }

    // A sequence phrase: other phrases one after another, each optionally transposed.
    void sequenceItem(const std::string& item) {
        std::size_t i = 0;
        while (i < item.size() && isNameChar(item[i])) ++i;
        const auto found = score.phrases.find(item.substr(0, i));
        if (found == score.phrases.end() || &found->second == current) fail("unknown phrase '" + item.substr(0, i) + "'");
        const int transpose = i < item.size() ? number(item.substr(i)) : 0;
        for (PhraseEvent e : found->second.events) {
            e.row += current->rows;
            if (e.note > 0 && e.note != kKeyOff) {
                e.note += transpose;
                if (e.note < 1 || e.note > 96) fail("transposing '" + item + "' leaves the note range");
            }
            current->events.push_back(e);
        }
        current->rows += found->second.rows;
    }

    // grid LANE INSTRUMENT NOTE  X...x...|o.......   one symbol per row
    void grid(const std::vector<std::string>& w) {
        if (w.size() < 5) fail("grid needs a lane, an instrument, a note and the rows");
        const int lane = number(w[1]);
        const int ins = score.instrumentIndex(w[2]);
        if (ins < 0) fail("unknown instrument '" + w[2] + "'");
        const int note = parseNote(w[3]);
        int& row = gridCursors[w[1] + " " + w[2] + " " + w[3]];
        for (std::size_t i = 4; i < w.size(); ++i) {
            for (char c : w[i]) {
                if (c == '|') continue;
                if (c == '^') {
                    current->events.push_back({row, lane, kKeyOff, -1, -1, 0, 0});
                } else if (c != '.') {
                    const int strength = gridStrength(c);
                    if (strength < 0) fail(std::string("unknown grid symbol '") + c + "'");
                    current->events.push_back({row, lane, note, ins, strength, 0, 0});
                }
                ++row;
            }
        }
        if (row > current->rows) current->rows = row;
    }

    int parseNote(const std::string& s) const {
        static const int semitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
        if (s.size() != 3 || s[0] < 'A' || s[0] > 'G' || (s[1] != '-' && s[1] != '#') || s[2] < '0' || s[2] > '7')
            fail("'" + s + "' is not a note (like C-4 or F#3)");
        const int note = (s[2] - '0') * 12 + semitones[s[0] - 'A'] + (s[1] == '#' ? 1 : 0) + 1;
        if (note < 1 || note > 96) fail("note '" + s + "' is out of range");
        return note;
    }

    // NOTE[+NOTE...] | r | ^ | _   then /ROWS, @STRENGTH, !EFFECT in any order,
    // and a final '~' to repeat the effect on every row of the token.
    void token(std::string t) {
        const bool everyRow = !t.empty() && t.back() == '~';
        if (everyRow) t.pop_back();
        const std::size_t headEnd = t.find_first_of("/@!");
        const std::string head = t.substr(0, headEnd);
        int length = lastLength, strength = -1, effect = 0, parameter = 0;
        for (std::size_t i = headEnd; i < t.size();) {
            const std::size_t next = t.find_first_of("/@!", i + 1);
            const std::string value = t.substr(i + 1, next == std::string::npos ? std::string::npos : next - i - 1);
            if (t[i] == '/') length = number(value);
            else if (t[i] == '@') strength = number(value);
            else effectCode(value, effect, parameter);
            i = next;
        }
        if (length <= 0) fail("length must be positive in '" + t + "'");
        if (strength > 64) fail("strength must be 0..64 in '" + t + "'");
        lastLength = length;

        std::vector<int> notes;
        if (head == "^") notes.assign(width, kKeyOff);
        else if (head == "_") notes.assign(width, 0);
        else if (head != "r") {
            // A chord: one note per lane; '=' keeps that lane's note sounding.
            for (std::size_t start = 0; start <= head.size();) {
                const std::size_t plus = head.find('+', start);
                const std::string part = head.substr(start, plus == std::string::npos ? plus : plus - start);
                notes.push_back(part == "=" ? 0 : parseNote(part));
                if (plus == std::string::npos) break;
                start = plus + 1;
            }
            width = static_cast<int>(notes.size());
        }
        const bool sounding = !notes.empty() && notes[0] != kKeyOff;
        if (sounding && notes[0] != 0 && instrument < 0) fail("'use' an instrument before the first note");
        for (int lane = 0; lane < static_cast<int>(notes.size()); ++lane) {
            PhraseEvent e{cursor, lane, notes[lane], -1, strength, effect, parameter};
            if (notes[lane] > 0 && notes[lane] != kKeyOff) e.instrument = instrument;
            if (notes[lane] == 0 && strength >= 0) e.instrument = instrument;  // a volume change mid-note
            if (notes[lane] != 0 || strength >= 0 || effect != 0 || parameter != 0) current->events.push_back(e);
            if (everyRow)
                for (int row = 1; row < length; ++row) current->events.push_back({cursor + row, lane, 0, -1, -1, effect, parameter});
        }
        cursor += length;
    }

    // Effect letter or digit and two hex digits, as a tracker shows it: 482, A04, F03.
    void effectCode(const std::string& code, int& effect, int& parameter) const {
        if (code.size() != 3) fail("effect '" + code + "' must be a type and two hex digits");
        const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(code[0])));
        if (std::isdigit(static_cast<unsigned char>(type))) effect = type - '0';
        else if (type >= 'A' && type <= 'Z') effect = type - 'A' + 10;
        else fail("bad effect type in '" + code + "'");
        try {
            std::size_t used = 0;
            parameter = std::stoi(code.substr(1), &used, 16);
            if (used != 2) throw std::invalid_argument(code);
        } catch (const std::exception&) {
            fail("bad effect parameter in '" + code + "'");
        }
    }

    void check() const {
        if (score.bars <= 0 || score.bars % 4 != 0) throw ScoreError("bars must be a positive multiple of 4");
        if (score.restartBar < 0 || score.restartBar >= score.bars || score.restartBar % 4 != 0)
            throw ScoreError("restart must be a bar of the song that starts a pattern (a multiple of 4)");
        if (score.rowTicks.empty()) throw ScoreError("swing: the ticks of each row are missing");
        for (int t : score.rowTicks)
            if (t < 1 || t > 31) throw ScoreError("swing: ticks per row must be 1..31");
    }

    Score score;
    Phrase* current = nullptr;
    bool sequence = false;
    int cursor = 0, lastLength = 8, width = 1, instrument = -1;
    std::map<std::string, int> gridCursors;
    int lineNumber = 0;
};

}  // namespace

Score parseScore(const std::string& text) { return Parser().run(text); }

}  // namespace songgen
