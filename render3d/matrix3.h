#pragma once
// A 3x3 rotation, row-major, for row vectors (v x M). Angles are in 512 steps per turn.

class Matrix3 {
public:
    float* m;  // nine floats, owned

    // Starts as the identity so that no object ever turns by indeterminate values.
    Matrix3() : m(new float[9]{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}) {}
    virtual ~Matrix3() { delete[] m; }
    Matrix3(const Matrix3&) = delete;
    Matrix3& operator=(const Matrix3&) = delete;

    void copyFrom(const Matrix3& o);
    // this = this x o
    void multiply(const Matrix3& o);
    // Ry(a1) x Rx(a2) x Rz(a3): the first angle acts first on a row vector.
    void setRotation(float a1, float a2, float a3);
    void transposeInPlace();
};
