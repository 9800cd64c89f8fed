#include "render3d/light_set.h"

namespace {
// Reach of a point light; its strength falls off linearly to zero there.
constexpr float kReach = 2047.0f;
// The directional light acts as a light this far away shining along world +y.
constexpr float kDirectionalDistance = 96.0f;
}  // namespace

std::uint32_t LightSet::shade(Vector3 point, Vector3 normal, std::uint32_t surfaceColour) const {
    return shade(at(point), normal, surfaceColour);
}

LitPoint LightSet::at(Vector3 point) const {
    LitPoint result;
    const std::uint32_t n = count < kMaxLights ? count : kMaxLights;
    for (std::uint32_t i = 0; i < n; ++i) {
        const Vector3* light = lights[i];
        if (light == nullptr) continue;
        Vector3 q = point;
        q.sub(*light);
        float dist = light->distance(point);
        if (i == directionalIndex) {
            q.set(0.0f, 256.0f, 0.0f);
            dist = kDirectionalDistance;
        } else if (dist > kReach) {
            continue;
        }
        q.setLength(256.0f);
        result.lights[result.count++] = {q, static_cast<double>(kReach) - dist, light->tag};
    }
    return result;
}

std::uint32_t LightSet::shade(const LitPoint& point, Vector3 normal, std::uint32_t surfaceColour) {
    std::int32_t sums[3] = {0, 0, 0};  // red, green, blue
    for (std::uint32_t i = 0; i < point.count; ++i) {
        const LitPoint::Light& light = point.lights[i];
        const float g = normal.dotScaled(light.towards);
        if (!(g > 0.0f)) continue;
        const double w = static_cast<double>(g) * light.reach;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t channel = (light.colour >> (16 - 8 * c)) & 0xffu;
            double v = w * channel;
            if (v > 1e9) v = 1e9;  // only a wildly unnormalised normal gets here
            sums[c] += static_cast<std::int32_t>(v) / 2048;
        }
    }
    std::uint32_t result = 0;
    for (int c = 0; c < 3; ++c) {
        const std::int32_t cap = static_cast<std::int32_t>((surfaceColour >> (16 - 8 * c)) & 0xffu);
        const std::int32_t v = sums[c] < cap ? sums[c] : cap;
        result = result * 256 + static_cast<std::uint32_t>(v);
    }
    return result;
}
