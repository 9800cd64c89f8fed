#pragma once
// A point or direction with a colour word attached. Directions are held at
// length 256, so dot products are divided by 65536. Coordinates are floats;
// expressions are evaluated in double and rounded when stored.

#include <cmath>

#include "render3d/matrix3.h"

class Vector3 {
public:
    // Every user sets the coordinates before reading them; they start at 0
    // so that no copy ever reads an indeterminate value.
    float x = 0.0f, y = 0.0f, z = 0.0f;
    unsigned int tag = 0xff00ff;  // a colour 0x00RRGGBB; magenta = no colour yet

    Vector3() {}
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    Vector3(float x_, float y_, float z_, unsigned int tag_) : x(x_), y(y_), z(z_), tag(tag_) {}
    virtual ~Vector3() = default;
    Vector3(const Vector3&) = default;
    Vector3& operator=(const Vector3&) = default;

    void set(float x_, float y_, float z_) {
        x = x_;
        y = y_;
        z = z_;
    }
    void sub(const Vector3& o);
    void add(const Vector3& o);
    // This as a row vector times m.
    void transform(const Matrix3& m);
    float distance(const Vector3& o) const;
    void setLength(float length);
    float dotScaled(const Vector3& o) const;
    // (p3 - p1) x (p2 - p1) at length 256.
    void faceNormal(Vector3 p1, Vector3 p2, Vector3 p3);
    // The mirror image about the plane perpendicular to the length-256 normal n.
    Vector3 reflect(const Vector3& n) const;
};

// The per-vertex and per-pixel operations are inline: they run millions of
// times a second. Every intermediate is a double and every stored result a
// float, as written, whatever the inlining.
inline void Vector3::transform(const Matrix3& matrix) {
    const float* m = matrix.m;
    const double vx = x, vy = y, vz = z;
    x = static_cast<float>(vx * m[0] + vy * m[3] + vz * m[6]);
    y = static_cast<float>(vx * m[1] + vy * m[4] + vz * m[7]);
    z = static_cast<float>(vx * m[2] + vy * m[5] + vz * m[8]);
}

inline void Vector3::setLength(float length) {
    const double d = static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z;
    if (d == 0.0) return;
    const double k = std::sqrt(static_cast<double>(length) * length / d);
    x = static_cast<float>(x * k);
    y = static_cast<float>(y * k);
    z = static_cast<float>(z * k);
}

inline float Vector3::dotScaled(const Vector3& o) const {
    return static_cast<float>((static_cast<double>(x) * o.x + static_cast<double>(y) * o.y +
                               static_cast<double>(z) * o.z) / 65536.0);
}

inline Vector3 Vector3::reflect(const Vector3& n) const {
    const float d = dotScaled(n);  // rounded to float like every stored dot product
    Vector3 r;
    r.x = static_cast<float>(x - 2.0 * d * n.x);
    r.y = static_cast<float>(y - 2.0 * d * n.y);
    r.z = static_cast<float>(z - 2.0 * d * n.z);
    return r;
}
