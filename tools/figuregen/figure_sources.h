#pragma once
// Readers of the figure's readable sources: the pose table and the skin rules
// (assets/figure/). They report the first mistake with its file and line.
#include <array>
#include <string>
#include <vector>

constexpr int kPoseCount = 5;
constexpr int kJointCount = 20;

// x, y, z and roll code of one joint, each a signed byte.
using JointRecord = std::array<int, 4>;
using PoseTable = std::array<std::array<JointRecord, kJointCount>, kPoseCount>;

struct SkinTriangle {
    int a, b, c;
};

struct SkinSources {
    int pointCount = 0;  // all parts' points together
    std::vector<SkinTriangle> triangles;
};

// The joint names, in record order.
extern const char* const kJointNames[kJointCount];

// Both return false and set error on the first malformed or out-of-range entry.
bool readPoses(const std::string& path, PoseTable& poses, std::string& error);
bool readSkin(const std::string& path, SkinSources& skin, std::string& error);
