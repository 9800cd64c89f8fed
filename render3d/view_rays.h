#pragma once
// The backdrop's fixed grid of camera-space view directions.
#include "render3d/vector3.h"

constexpr int kViewRayColumns = 320;
constexpr int kViewRayRows = 72;
constexpr int kViewRayCount = kViewRayColumns * kViewRayRows;  // 23040

// rays[b * 320 + i] = (2i - 320, 4b - 144, projection) at length 128: the
// direction of viewport pixel (2i, 4b) for a camera with that projection factor.
void buildViewRays(Vector3* rays, float projection);
