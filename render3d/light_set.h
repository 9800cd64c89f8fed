#pragma once
// Up to four point lights (position in x, y, z, colour in tag), one of which
// may be the fixed directional light. The set borrows the vectors.
#include <cstdint>

#include "render3d/vector3.h"

struct LitPoint;

class LightSet {
public:
    static constexpr std::uint32_t kMaxLights = 4;

    std::uint8_t directionalIndex = 0;  // not below count: no light is directional
    Vector3* lights[kMaxLights] = {};
    std::uint32_t count = 0;

    // The lit colour of a point with a length-256 normal; surfaceColour caps each channel.
    std::uint32_t shade(Vector3 point, Vector3 normal, std::uint32_t surfaceColour) const;
    // The same in two steps: the lights that reach a point, then a normal there.
    LitPoint at(Vector3 point) const;
    static std::uint32_t shade(const LitPoint& point, Vector3 normal, std::uint32_t surfaceColour);
};

// The lights as seen from one point: all of the shading that does not depend
// on the normal, worked out once for the many normals shaded at one point.
struct LitPoint {
    struct Light {
        Vector3 towards;       // from the light to the point, length 256
        double reach;          // what is left of the light's reach at the point
        std::uint32_t colour;  // 0x00RRGGBB
    };
    Light lights[LightSet::kMaxLights];
    std::uint32_t count = 0;
};
