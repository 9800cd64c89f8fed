#pragma once
// Fills the whole viewport with the environment map as seen along the camera's
// view rays: one pixel in eight is looked up on a fixed grid (every second
// column of every fourth row), the rest interpolated. Always the farthest object.
#include <cstdint>

#include "render3d/matrix3.h"
#include "render3d/scene_object.h"
#include "render3d/vector3.h"

class EnvironmentBackdrop : public SceneObject {
public:
    Vector3* rays;                          // 72 rows of 320 camera-space directions, length 128; owned
    const std::uint32_t* envMap = nullptr;  // 256x256, borrowed

    EnvironmentBackdrop();
    ~EnvironmentBackdrop() override;
    EnvironmentBackdrop(const EnvironmentBackdrop&) = delete;
    EnvironmentBackdrop& operator=(const EnvironmentBackdrop&) = delete;

    // Rebuilds the grid for a projection factor; again whenever the camera's factor changes.
    void initRays(float factor);

    float depth(const Camera& camera) override;
    // The lights play no part. Reads the row below the viewport (the lower bar),
    // so the viewport must lie inside the frame buffer.
    void draw(std::uint32_t* viewport, Camera& camera, LightSet& lights) override;

private:
    Matrix3 viewToWorld;  // per draw: the camera rotation, transposed
};
