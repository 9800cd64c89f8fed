#include <cmath>

#include "maths/elementary.h"
#include "render3d/matrix3.h"
#include "render3d/vector3.h"

void Vector3::sub(const Vector3& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
}

void Vector3::add(const Vector3& o) {
    x += o.x;
    y += o.y;
    z += o.z;
}

float Vector3::distance(const Vector3& o) const {
    const double dx = static_cast<double>(x) - o.x;
    const double dy = static_cast<double>(y) - o.y;
    const double dz = static_cast<double>(z) - o.z;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

void Vector3::faceNormal(Vector3 p1, Vector3 p2, Vector3 p3) {
    const double ux = static_cast<double>(p2.x) - p1.x, uy = static_cast<double>(p2.y) - p1.y,
                 uz = static_cast<double>(p2.z) - p1.z;
    const double wx = static_cast<double>(p3.x) - p1.x, wy = static_cast<double>(p3.y) - p1.y,
                 wz = static_cast<double>(p3.z) - p1.z;
    x = static_cast<float>(uz * wy - uy * wz);
    y = static_cast<float>(ux * wz - uz * wx);
    z = static_cast<float>(uy * wx - ux * wy);
    setLength(256.0f);
}

void Matrix3::copyFrom(const Matrix3& o) {
    for (int i = 0; i < 9; ++i) m[i] = o.m[i];
}

namespace {
// a = a x b, the nine results formed before any is stored.
void multiplyInPlace(float* a, const float* b) {
    float r[9];
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            r[row * 3 + col] = static_cast<float>(static_cast<double>(a[row * 3]) * b[col] +
                                                  static_cast<double>(a[row * 3 + 1]) * b[3 + col] +
                                                  static_cast<double>(a[row * 3 + 2]) * b[6 + col]);
        }
    }
    for (int i = 0; i < 9; ++i) a[i] = r[i];
}
}  // namespace

void Matrix3::multiply(const Matrix3& o) { multiplyInPlace(m, o.m); }

void Matrix3::setRotation(float a1, float a2, float a3) {
    constexpr double kRadians = 0.012271846282460768;  // 2 pi / 512
    const double t1 = a1 * kRadians, t2 = a2 * kRadians, t3 = a3 * kRadians;
    const float c1 = static_cast<float>(maths::cos(t1)), s1 = static_cast<float>(maths::sin(t1));
    const float c2 = static_cast<float>(maths::cos(t2)), s2 = static_cast<float>(maths::sin(t2));
    const float c3 = static_cast<float>(maths::cos(t3)), s3 = static_cast<float>(maths::sin(t3));
    const float ry[9] = {c1, 0.0f, -s1, 0.0f, 1.0f, 0.0f, s1, 0.0f, c1};
    const float rx[9] = {1.0f, 0.0f, 0.0f, 0.0f, c2, s2, 0.0f, -s2, c2};
    const float rz[9] = {c3, s3, 0.0f, -s3, c3, 0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < 9; ++i) m[i] = ry[i];
    // Temporaries on the stack: rotations are rebuilt every frame.
    multiplyInPlace(m, rx);
    multiplyInPlace(m, rz);
}

void Matrix3::transposeInPlace() {
    float t = m[1];
    m[1] = m[3];
    m[3] = t;
    t = m[2];
    m[2] = m[6];
    m[6] = t;
    t = m[5];
    m[5] = m[7];
    m[7] = t;
}
