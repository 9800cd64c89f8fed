#pragma once
// Scene 4's script as pure functions of its local time t in ms: where the
// camera's eye is, which pose or blend of two poses the figure shows, and the
// colour factors of its lights. Where a function answers false, the scene
// leaves what the frame before set.
#include <cstdint>

#include "render3d/vector3.h"

namespace scene4 {

// Most times are multiples of 2019 ms, 32 rows of the song.
constexpr float kCircleStart = 2019.0f;
constexpr float kFirstBlendStart = 4038.0f;
constexpr float kLightsAppear = 6057.0f;
constexpr float kLightsPart = 8076.0f;
constexpr float kRedLightCircles = 12214.0f;
constexpr float kDanceStart = 16152.0f;
constexpr float kDanceEnd = 25402.0f;
constexpr float kFinaleStart = 31652.0f;
constexpr float kFinaleClock = 31702.0f;  // the finale's own clock l = t - 31702 starts here

enum class FigurePose { pose0, pose1, pose2, pose3, pose4, pose1Mirrored, pose2Mirrored };
constexpr int kFigurePoseCount = 7;

// The figure in one pose (blended false, shown from) or between two poses,
// (1 - w) x from + w x to.
struct FigureShown {
    FigurePose from = FigurePose::pose0;
    FigurePose to = FigurePose::pose0;
    double w = 0.0;
    bool blended = false;
};

// The eye on the camera's path. False exactly at 8076 and 12214, where no
// part of the path holds, and from 31652 on, where the eye stops.
bool cameraPath(float t, Vector3& eye);
// The roll of the finale (t >= 31652), 512ths of a turn.
float finaleRoll(float t);

// What the figure shows. False for 8076 <= t <= 12214, where it stays as it was.
bool figureSchedule(float t, FigureShown& shown);

// The coloured lights' brightness for 6057 <= t < 8076: one step per 8 ms, 0 to 252.
int lightStep(float t);
// The swarm's colour factor at finale time l: (trunc(l) div 32) in its low 8
// bits, rising to 255 over 8192 ms, then black again; 255 for l <= -32.
std::uint32_t swarmFactor(double l);
// The orange lights' factor at finale time l: trunc(l) in its low 8 bits, a
// sawtooth every 256 ms.
std::uint32_t pulseFactor(double l);

}  // namespace scene4
