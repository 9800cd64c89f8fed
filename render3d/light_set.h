#pragma once
// Up to four point lights (position in x, y, z, colour in tag), one of which
// may be the fixed directional light. The set borrows the vectors.
#include <cstdint>

#include "render3d/vector3.h"

class LightSet {
public:
    static constexpr std::uint32_t kMaxLights = 4;

    std::uint8_t directionalIndex = 0;  // not below count: no light is directional
    Vector3* lights[kMaxLights] = {};
    std::uint32_t count = 0;

    // The lit colour of a point with a length-256 normal; surfaceColour caps each channel.
    std::uint32_t shade(Vector3 point, Vector3 normal, std::uint32_t surfaceColour) const;
};
