#pragma once
// The eye: world space to camera space (x right, y down, z into the screen)
// and camera space to viewport pixels around the centre (320, 144).
#include "render3d/matrix3.h"
#include "render3d/vector3.h"

class Camera {
public:
    Vector3 angles;    // x = yaw, y = pitch, z = roll, 512 steps per turn
    Vector3 position;  // eye in world space; its tag is free for the scenes
    Matrix3 rotation;  // world-to-camera rotation
    float factor = 256.0f;  // focal length in pixels

    Camera() { reset(); }
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    virtual ~Camera() = default;

    // Angles 0, eye at (0, 0, -512), identity rotation, factor 256; tags kept.
    void reset();
    // Turns yaw and pitch towards target, keeps the roll, rebuilds the rotation.
    void lookAt(Vector3 target);
    // (world - position) x rotation; the tag is carried along.
    Vector3 toCamera(const Vector3& world) const;
};
