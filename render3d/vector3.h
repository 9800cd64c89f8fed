#pragma once
// A point or direction with a colour word attached. Directions are held at
// length 256, so dot products are divided by 65536. Coordinates are floats;
// expressions are evaluated in double and rounded when stored.

class Matrix3;

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
    float dotScaled(Vector3 o) const;
    // (p3 - p1) x (p2 - p1) at length 256.
    void faceNormal(Vector3 p1, Vector3 p2, Vector3 p3);
    // The mirror image about the plane perpendicular to the length-256 normal n.
    Vector3 reflect(const Vector3& n) const;
};
