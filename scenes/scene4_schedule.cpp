#include "scenes/scene4_schedule.h"

#include <limits>

#include "maths/elementary.h"

namespace scene4 {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;

// Toward zero, kept inside the int range.
int truncated(double v) {
    if (!(v > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (!(v < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

FigureShown posed(FigurePose pose) { return {pose, pose, 0.0, false}; }

// A blend over [start, end): weight 0 at start, rising to 1 at end.
FigureShown blendOver(FigurePose from, FigurePose to, double t, double start, double end) {
    return {from, to, (t - start) / (end - start), true};
}

// One step of a dance cycle, relative to the cycle's time r.
struct DanceStep {
    int start;
    int end;
    FigurePose from;
    FigurePose to;
    bool blended;
};

// Snap to pose 2, sink back towards pose 1, jump to the mirrored pose 1, snap
// to the mirrored pose 2 and sink back. Later steps win where they overlap.
constexpr DanceStep kDanceCycle[] = {
    {-150, 0, FigurePose::pose1, FigurePose::pose2, true},
    {0, 100, FigurePose::pose2, FigurePose::pose2, false},
    {100, 850, FigurePose::pose2, FigurePose::pose1, true},
    {600, 750, FigurePose::pose1Mirrored, FigurePose::pose2Mirrored, true},
    {750, 850, FigurePose::pose2Mirrored, FigurePose::pose2Mirrored, false},
    {850, 1600, FigurePose::pose2Mirrored, FigurePose::pose1Mirrored, true},
};
constexpr int kFirstCycle = 16302;
constexpr int kCycleLength = 1500;
constexpr int kCyclesEnd = 25302;

// Six cycles, each evaluated after the one before, so a cycle that has begun
// overrides the tail of the previous one.
FigureShown dance(float t) {
    FigureShown shown = posed(FigurePose::pose1);
    for (int r = kFirstCycle; r < kCyclesEnd; r += kCycleLength) {
        for (const DanceStep& step : kDanceCycle) {
            const double start = r + step.start;
            const double end = r + step.end;
            if (t < start || t >= end) continue;
            shown = step.blended ? blendOver(step.from, step.to, t, start, end) : posed(step.from);
        }
    }
    return shown;
}

// Twice a jump to pose 4 and back, a step into pose 3, and back to pose 1.
struct FigureSpan {
    float start;
    float end;
    FigurePose from;
    FigurePose to;
    bool blended;
};
constexpr FigureSpan kAfterDance[] = {
    {25402.0f, 25552.0f, FigurePose::pose1, FigurePose::pose4, true},
    {25552.0f, 25652.0f, FigurePose::pose4, FigurePose::pose4, false},
    {25652.0f, 26152.0f, FigurePose::pose4, FigurePose::pose1, true},
    {26152.0f, 26302.0f, FigurePose::pose1, FigurePose::pose4, true},
    {26302.0f, 26402.0f, FigurePose::pose4, FigurePose::pose4, false},
    {26402.0f, 26902.0f, FigurePose::pose4, FigurePose::pose1, true},
    {26902.0f, 27052.0f, FigurePose::pose1, FigurePose::pose3, true},
    {27052.0f, 31152.0f, FigurePose::pose3, FigurePose::pose3, false},
    {31152.0f, 31652.0f, FigurePose::pose3, FigurePose::pose1, true},
};

}  // namespace

bool cameraPath(float t, Vector3& eye) {
    const double theta1 = t * kTwoPi / 2019.0;
    const double theta2 = t * kPi / 2019.0;
    const double theta3 = t * kPi / 4038.0;
    const double h = 128.0 * maths::sin((t - 12214.0) * 0.0005);
    double theta = theta2;
    double y = 0.0;
    if (t < kCircleStart) {
        theta = theta1;
        y = 4038.0 - 2.0 * t;
    } else if (t < kFirstBlendStart) {
        theta = theta1;
        y = 100.0 * maths::sin((t - 2019.0) * kTwoPi / 2019.0);
    } else if (t < kLightsPart || (t > kLightsPart && t < kRedLightCircles)) {
        y = 0.0;
    } else if (t > kRedLightCircles && t < kDanceStart) {
        y = h;
    } else if (t >= kDanceStart && t < kFinaleStart) {
        theta = theta3;
        y = h;
    } else {
        return false;
    }
    eye.set(static_cast<float>(400.0 * maths::sin(theta)), static_cast<float>(y), static_cast<float>(400.0 * maths::cos(theta)));
    return true;
}

float finaleRoll(float t) { return static_cast<float>((t - 31702.0) / 55.0); }

bool figureSchedule(float t, FigureShown& shown) {
    if (t < kFirstBlendStart) {
        shown = posed(FigurePose::pose0);
    } else if (t < kLightsAppear) {
        shown = blendOver(FigurePose::pose0, FigurePose::pose1, t, 4038.0, 6057.0);
    } else if (t < kLightsPart) {
        shown = posed(FigurePose::pose1);
    } else if (t <= kRedLightCircles) {
        return false;
    } else if (t < kDanceStart) {
        shown = posed(FigurePose::pose1);
    } else if (t < kDanceEnd) {
        shown = dance(t);
    } else if (t >= kFinaleStart) {
        shown = posed(FigurePose::pose1);
    } else {
        for (const FigureSpan& span : kAfterDance) {
            if (t < span.start || t >= span.end) continue;
            shown = span.blended ? blendOver(span.from, span.to, t, span.start, span.end) : posed(span.from);
        }
    }
    return true;
}

int lightStep(float t) { return truncated(t - 6057.0) / 8; }

std::uint32_t swarmFactor(double l) { return static_cast<std::uint32_t>(truncated(l) / 32) & 0xFFu; }

std::uint32_t pulseFactor(double l) { return static_cast<std::uint32_t>(truncated(l)) & 0xFFu; }

}  // namespace scene4
