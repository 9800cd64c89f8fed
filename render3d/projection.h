#pragma once
// Camera space to viewport pixels: trunc(factor * x / z) + 320,
// trunc(factor * y / z) + 144, as 16-bit integers. Truncation comes before the
// centre is added, so points just left of centre and just right of it both land
// on column 320.
#include <cstdint>

#include "render3d/vector3.h"

struct ScreenPoint {
    std::int16_t x;
    std::int16_t y;
};

// trunc(factor * c / z), held inside the 16-bit range so that a wild point
// cannot overflow the conversion.
inline int projectCoordinate(float factor, float c, float z) {
    double v = static_cast<double>(factor) * c / z;
    if (!(v > -30000.0)) v = -30000.0;  // also catches NaN
    if (v > 30000.0) v = 30000.0;
    return static_cast<int>(v);
}

inline ScreenPoint projectToScreen(const Vector3& view, float factor) {
    return ScreenPoint{static_cast<std::int16_t>(projectCoordinate(factor, view.x, view.z) + 320),
                       static_cast<std::int16_t>(projectCoordinate(factor, view.y, view.z) + 144)};
}
