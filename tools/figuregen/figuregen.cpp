// figuregen <poses.txt> <skin.txt> <output folder>
// Turns the figure's readable sources into the binary resources the builder
// reads: figure_skin.bin (174 triangles of 3 unsigned bytes) and
// figure_pose0.bin .. figure_pose4.bin (20 joints of 4 signed bytes each).
// Anything that would not give exactly those sizes stops the build.
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "figure_sources.h"

namespace {

constexpr int kFigurePoints = 189;
constexpr int kSkinTriangles = 174;
constexpr std::size_t kSkinBytes = 522;
constexpr std::size_t kPoseBytes = 80;

bool fail(const std::string& message) {
    std::fprintf(stderr, "figuregen: %s\n", message.c_str());
    return false;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes, std::size_t expected) {
    if (bytes.size() != expected) {
        return fail(path + " would hold " + std::to_string(bytes.size()) + " bytes instead of " +
                    std::to_string(expected));
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good() || fail(path + ": cannot be written");
}

bool checkSkin(const std::string& path, const SkinSources& skin) {
    if (skin.pointCount != kFigurePoints) {
        return fail(path + ": the parts have " + std::to_string(skin.pointCount) + " points, the figure has " +
                    std::to_string(kFigurePoints));
    }
    if (static_cast<int>(skin.triangles.size()) != kSkinTriangles) {
        return fail(path + ": the rules make " + std::to_string(skin.triangles.size()) + " triangles, the skin has " +
                    std::to_string(kSkinTriangles));
    }
    std::set<std::tuple<int, int, int>> seen;
    for (const SkinTriangle& t : skin.triangles) {
        // The same triangle in any rotation is one triangle.
        auto key = std::make_tuple(t.a, t.b, t.c);
        if (t.b < t.a && t.b < t.c) key = std::make_tuple(t.b, t.c, t.a);
        if (t.c < t.a && t.c < t.b) key = std::make_tuple(t.c, t.a, t.b);
        if (!seen.insert(key).second) {
            return fail(path + ": triangle (" + std::to_string(t.a) + ", " + std::to_string(t.b) + ", " +
                        std::to_string(t.c) + ") is made twice");
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: figuregen <poses.txt> <skin.txt> <output folder>\n");
        return 2;
    }
    const std::string posesPath = argv[1], skinPath = argv[2], folder = argv[3];
    std::string error;
    PoseTable poses{};
    SkinSources skin;
    if (!readPoses(posesPath, poses, error) || !readSkin(skinPath, skin, error)) {
        fail(error);
        return 1;
    }
    if (!checkSkin(skinPath, skin)) return 1;

    std::vector<unsigned char> bytes;
    for (const SkinTriangle& t : skin.triangles) {
        for (int index : {t.a, t.b, t.c}) bytes.push_back(static_cast<unsigned char>(index));
    }
    if (!writeFile(folder + "/figure_skin.bin", bytes, kSkinBytes)) return 1;
    for (int pose = 0; pose < kPoseCount; ++pose) {
        bytes.clear();
        for (const JointRecord& joint : poses[pose]) {
            for (int value : joint) bytes.push_back(static_cast<unsigned char>(value & 0xff));
        }
        if (!writeFile(folder + "/figure_pose" + std::to_string(pose) + ".bin", bytes, kPoseBytes)) return 1;
    }
    return 0;
}
