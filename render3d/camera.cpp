#include "render3d/camera.h"

#include <cmath>

#include "image2d/pixel_ops.h"

void Camera::reset() {
    angles.set(0.0f, 0.0f, 0.0f);
    position.set(0.0f, 0.0f, -512.0f);
    rotation.setRotation(0.0f, 0.0f, 0.0f);
    factor = 256.0f;
}

void Camera::lookAt(Vector3 target) {
    Vector3 d = position;
    d.sub(target);
    const float h = static_cast<float>(std::sqrt(static_cast<double>(d.x) * d.x + static_cast<double>(d.z) * d.z));
    angles.x = angleOf(-d.z, d.x);
    angles.y = angleOf(h, -d.y);
    rotation.setRotation(angles.x, angles.y, angles.z);
}

Vector3 Camera::toCamera(const Vector3& world) const {
    Vector3 c = world;
    c.sub(position);
    c.transform(rotation);
    return c;
}
