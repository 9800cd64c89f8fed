#include "figure_sources.h"

#include <fstream>
#include <map>
#include <sstream>

const char* const kJointNames[kJointCount] = {
    "hips",    "waist",    "chest",    "head",    "shoulderR", "shoulderL", "elbowR", "elbowL", "wristR", "wristL",
    "thumbR",  "thumbL",   "fingersR", "fingersL", "kneeR",    "kneeL",     "ankleR", "ankleL", "toeR",   "toeL"};

namespace {

// Lines of a file without comments (from '#') and without blank lines, with their numbers.
struct SourceLine {
    int number;
    std::vector<std::string> words;
};

bool readLines(const std::string& path, std::vector<SourceLine>& lines, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const std::size_t hash = text.find('#');
        if (hash != std::string::npos) text.erase(hash);
        std::istringstream words(text);
        SourceLine line{number, {}};
        for (std::string word; words >> word;) line.words.push_back(word);
        if (!line.words.empty()) lines.push_back(line);
    }
    return true;
}

bool parseInt(const std::string& word, int low, int high, int& value) {
    std::size_t used = 0;
    try {
        value = std::stoi(word, &used);
    } catch (...) {
        return false;
    }
    return used == word.size() && value >= low && value <= high;
}

std::string where(const std::string& path, const SourceLine& line) {
    return path + ":" + std::to_string(line.number) + ": ";
}

struct Part {
    std::string name;
    int first = 0;  // index of its point 0 in the whole figure
    int count = 0;
    std::string image;     // the part it becomes in the mirror image
    std::vector<int> map;  // point i becomes point map[i] of the image
};

class SkinReader {
public:
    SkinReader(const std::string& path, SkinSources& skin) : path_(path), skin_(skin) {}

    bool read(const std::vector<SourceLine>& lines, std::string& error) {
        for (const SourceLine& line : lines) {
            const bool ok = line.words[0] == "part" ? readPart(line) : readRule(line);
            if (!ok) {
                error = where(path_, line) + message_;
                return false;
            }
        }
        return true;
    }

private:
    bool fail(const std::string& message) {
        message_ = message;
        return false;
    }

    bool readPart(const SourceLine& line) {
        if (rulesStarted_) return fail("parts must come before the rules");
        const std::vector<std::string>& w = line.words;
        Part part;
        if (w.size() < 4) return fail("expected: part <name> <points> <mirror image> <mirror map...>");
        part.name = w[1];
        if (partIndex_.count(part.name) != 0) return fail("part " + part.name + " is named twice");
        if (!parseInt(w[2], 1, 255, part.count)) return fail("bad point count " + w[2]);
        part.first = skin_.pointCount;
        part.image = w[3];
        if (static_cast<int>(w.size()) != 4 + part.count) return fail("the mirror map needs one entry per point");
        for (int i = 0; i < part.count; ++i) {
            int to = 0;
            if (!parseInt(w[4 + i], 0, part.count - 1, to)) return fail("bad mirror map entry " + w[4 + i]);
            part.map.push_back(to);
        }
        partIndex_[part.name] = static_cast<int>(parts_.size());
        parts_.push_back(part);
        skin_.pointCount += part.count;
        return true;
    }

    // The mirror images must pair the parts up, point for point.
    bool checkMirrors() {
        for (const Part& part : parts_) {
            const auto image = partIndex_.find(part.image);
            if (image == partIndex_.end()) return fail("part " + part.name + " mirrors to unknown part " + part.image);
            const Part& other = parts_[image->second];
            if (other.count != part.count || other.image != part.name)
                return fail("parts " + part.name + " and " + other.name + " are not each other's mirror images");
            for (int i = 0; i < part.count; ++i) {
                if (other.map[part.map[i]] != i)
                    return fail("mirror maps of " + part.name + " and " + other.name + " do not undo each other");
            }
        }
        return true;
    }

    bool readPoint(const std::string& word, int& index) {
        const std::size_t dot = word.find('.');
        const auto part = partIndex_.find(word.substr(0, dot));
        if (dot == std::string::npos || part == partIndex_.end()) return fail("unknown point " + word);
        const Part& p = parts_[part->second];
        int local = 0;
        if (!parseInt(word.substr(dot + 1), 0, p.count - 1, local)) return fail("no point " + word);
        index = p.first + local;
        return true;
    }

    bool readPoints(const std::vector<std::string>& words, std::size_t from, std::size_t to, std::vector<int>& out) {
        for (std::size_t i = from; i < to; ++i) {
            int index = 0;
            if (!readPoint(words[i], index)) return false;
            out.push_back(index);
        }
        return true;
    }

    bool readRule(const SourceLine& line) {
        if (!rulesStarted_ && !checkMirrors()) return false;
        rulesStarted_ = true;
        std::vector<std::string> w = line.words;
        const bool pair = w[0] == "pair";
        if (pair) w.erase(w.begin());
        if (w.empty()) return fail("pair of what?");
        std::vector<SkinTriangle> made;
        if (!expandRule(w, made)) return false;
        for (const SkinTriangle& t : made) {
            skin_.triangles.push_back(t);
            // The mirror image turns the other way round, so its winding is reversed.
            if (pair) skin_.triangles.push_back({mirror(t.a), mirror(t.c), mirror(t.b)});
        }
        return true;
    }

    bool expandRule(const std::vector<std::string>& w, std::vector<SkinTriangle>& made) {
        std::vector<int> p;
        if (w[0] == "tri" || w[0] == "quad") {
            const std::size_t corners = w[0] == "tri" ? 3 : 4;
            if (w.size() != corners + 1) return fail(w[0] + " needs " + std::to_string(corners) + " points");
            if (!readPoints(w, 1, w.size(), p)) return false;
            made.push_back({p[0], p[1], p[2]});
            if (corners == 4) made.push_back({p[2], p[3], p[0]});
            for (const SkinTriangle& t : made) {
                if (t.a == t.b || t.b == t.c || t.c == t.a) return fail("a triangle names one point twice");
            }
            return true;
        }
        if (w[0] == "band") return expandBand(w, made);
        return fail("unknown rule " + w[0]);
    }

    // band ( a0 a1 ... ) ( b0 b1 ... ): joins two closed loops of equal length
    // quad by quad, (a[i], a[i+1], b[i+1], b[i]); a point repeated in a loop
    // narrows it, and the triangles that would name one point twice are left out.
    bool expandBand(const std::vector<std::string>& w, std::vector<SkinTriangle>& made) {
        std::size_t open1 = 1, close1 = 1;
        while (close1 < w.size() && w[close1] != ")") ++close1;
        const std::size_t open2 = close1 + 1;
        const std::size_t close2 = w.size() - 1;
        if (w.size() < 2 || w[open1] != "(" || close1 >= w.size() || open2 >= w.size() || w[open2] != "(" ||
            w[close2] != ")")
            return fail("expected: band ( points... ) ( points... )");
        std::vector<int> a, b;
        if (!readPoints(w, open1 + 1, close1, a) || !readPoints(w, open2 + 1, close2, b)) return false;
        if (a.size() != b.size() || a.size() < 2) return fail("a band joins two loops of equal length");
        const std::size_t n = a.size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t j = (i + 1) % n;
            const SkinTriangle both[2] = {{a[i], a[j], b[j]}, {b[j], b[i], a[i]}};
            for (const SkinTriangle& t : both) {
                if (t.a != t.b && t.b != t.c && t.c != t.a) made.push_back(t);
            }
        }
        return true;
    }

    int mirror(int index) const {
        for (const Part& part : parts_) {
            if (index >= part.first && index < part.first + part.count) {
                const Part& image = parts_[partIndex_.at(part.image)];
                return image.first + part.map[index - part.first];
            }
        }
        return index;
    }

    std::string path_;
    SkinSources& skin_;
    std::vector<Part> parts_;
    std::map<std::string, int> partIndex_;
    bool rulesStarted_ = false;
    std::string message_;
};

}  // namespace

bool readPoses(const std::string& path, PoseTable& poses, std::string& error) {
    std::vector<SourceLine> lines;
    if (!readLines(path, lines, error)) return false;
    bool seen[kPoseCount] = {};
    int pose = -1;
    int joint = kJointCount;
    auto incomplete = [&](const std::string& at) {
        error = at + "pose " + std::to_string(pose) + " has " + std::to_string(joint) + " of its " +
                std::to_string(kJointCount) + " joints";
        return false;
    };
    for (const SourceLine& line : lines) {
        const std::vector<std::string>& w = line.words;
        if (w[0] == "pose") {
            if (joint != kJointCount) return incomplete(where(path, line));
            if (w.size() < 2 || !parseInt(w[1], 0, kPoseCount - 1, pose) || seen[pose]) {
                error = where(path, line) + "expected: pose <0.." + std::to_string(kPoseCount - 1) +
                        ", each once> <title>";
                return false;
            }
            seen[pose] = true;
            joint = 0;
            continue;
        }
        if (joint == kJointCount) {
            error = where(path, line) + "a joint outside a pose, or a pose with more than " +
                    std::to_string(kJointCount) + " joints";
            return false;
        }
        if (w.size() != 5 || w[0] != kJointNames[joint]) {
            error = where(path, line) + "expected: " + kJointNames[joint] + " <x> <y> <z> <roll>";
            return false;
        }
        for (int k = 0; k < 4; ++k) {
            if (!parseInt(w[1 + k], -128, 127, poses[pose][joint][k])) {
                error = where(path, line) + "'" + w[1 + k] + "' is not a number from -128 to 127";
                return false;
            }
        }
        ++joint;
    }
    if (joint != kJointCount) return incomplete(path + ": ");
    for (int p = 0; p < kPoseCount; ++p) {
        if (!seen[p]) {
            error = path + ": pose " + std::to_string(p) + " is missing";
            return false;
        }
    }
    return true;
}

bool readSkin(const std::string& path, SkinSources& skin, std::string& error) {
    std::vector<SourceLine> lines;
    if (!readLines(path, lines, error)) return false;
    skin = SkinSources{};
    SkinReader reader(path, skin);
    return reader.read(lines, error);
}
