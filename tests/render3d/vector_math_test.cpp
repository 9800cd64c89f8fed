#include <gtest/gtest.h>

#include <cmath>

#include "render3d/matrix3.h"
#include "render3d/vector3.h"

namespace {

void expectVector(const Vector3& v, double x, double y, double z, double tolerance = 1e-5) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

Vector3 rotated(Vector3 v, const Matrix3& m) {
    v.transform(m);
    return v;
}

}  // namespace

TEST(Vector3, SetLengthKeepsTheZeroVectorAndScalesOthers) {
    Vector3 zero(0.0f, 0.0f, 0.0f);
    zero.setLength(256.0f);
    expectVector(zero, 0.0, 0.0, 0.0, 0.0);
    Vector3 v(3.0f, 4.0f, 0.0f);
    v.setLength(10.0f);
    expectVector(v, 6.0, 8.0, 0.0);
    Vector3 w(-1.0f, 2.0f, -7.0f);
    w.setLength(256.0f);
    EXPECT_NEAR(w.distance(Vector3(0.0f, 0.0f, 0.0f)), 256.0, 1e-4);
}

TEST(Vector3, DotScaledOfUnitDirectionsIsTheCosine) {
    const Vector3 a(256.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(a.dotScaled(a), 1.0f);
    EXPECT_FLOAT_EQ(a.dotScaled(Vector3(-256.0f, 0.0f, 0.0f)), -1.0f);
    EXPECT_FLOAT_EQ(a.dotScaled(Vector3(0.0f, 256.0f, 0.0f)), 0.0f);
}

TEST(Vector3, FaceNormalFollowsTheWinding) {
    const Vector3 p1(0.0f, 0.0f, 0.0f), p2(1.0f, 0.0f, 0.0f), p3(0.0f, 1.0f, 0.0f);
    Vector3 n;
    n.faceNormal(p1, p2, p3);
    expectVector(n, 0.0, 0.0, -256.0, 0.0);
    n.faceNormal(p1, p3, p2);
    expectVector(n, 0.0, 0.0, 256.0, 0.0);
    // Degenerate faces leave a zero normal rather than dividing by zero.
    n.faceNormal(p1, p2, p2);
    expectVector(n, 0.0, 0.0, 0.0, 0.0);
}

TEST(Vector3, FaceNormalRoundsItsCrossProductToFloatBeforeScaling) {
    // The cross product is stored as floats, then scaled to length 256 from
    // those stored values. (GCC 12's SLP vectoriser once kept the unrounded
    // doubles across the inlined scaling: the build turns that pass off.)
    Vector3 n;
    n.faceNormal(Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.7f, 0.0f), Vector3(1.5f, 0.0f, 7.0f));
    EXPECT_EQ(n.x, -145.7103271484375f);
    EXPECT_EQ(n.y, 208.1575927734375f);
    EXPECT_EQ(n.z, 31.2236385345459f);
}

TEST(Vector3, ReflectMirrorsAboutTheNormalWithAFreshTag) {
    const Vector3 v(0.0f, -256.0f, 0.0f, 0x00ff00u);
    const Vector3 r = v.reflect(Vector3(0.0f, 256.0f, 0.0f));
    expectVector(r, 0.0, 256.0, 0.0, 0.0);
    EXPECT_EQ(r.tag, 0xff00ffu);
    // A ray at 45 degrees to a floor comes back up, the part along the floor kept.
    Vector3 slant(100.0f, -100.0f, 30.0f);
    expectVector(slant.reflect(Vector3(0.0f, 256.0f, 0.0f)), 100.0, 100.0, 30.0);
}

TEST(Matrix3, QuarterTurnOfTheFirstAngle) {
    Matrix3 m;
    m.setRotation(128.0f, 0.0f, 0.0f);
    expectVector(rotated(Vector3(1.0f, 0.0f, 0.0f), m), 0.0, 0.0, -1.0, 1e-6);
    expectVector(rotated(Vector3(0.0f, 0.0f, 1.0f), m), 1.0, 0.0, 0.0, 1e-6);
    expectVector(rotated(Vector3(0.0f, 1.0f, 0.0f), m), 0.0, 1.0, 0.0, 1e-6);
}

TEST(Matrix3, TheFirstAngleActsFirst) {
    Matrix3 m;
    m.setRotation(128.0f, 128.0f, 0.0f);
    // Yaw takes +x to -z, then pitch takes -z to +y.
    expectVector(rotated(Vector3(1.0f, 0.0f, 0.0f), m), 0.0, 1.0, 0.0, 1e-6);
    m.setRotation(0.0f, 0.0f, 128.0f);
    expectVector(rotated(Vector3(1.0f, 0.0f, 0.0f), m), 0.0, 1.0, 0.0, 1e-6);

    // The full product equals the three rotations applied one after the other.
    Matrix3 yaw, pitch, roll, all;
    yaw.setRotation(37.0f, 0.0f, 0.0f);
    pitch.setRotation(0.0f, -101.0f, 0.0f);
    roll.setRotation(0.0f, 0.0f, 300.0f);
    all.setRotation(37.0f, -101.0f, 300.0f);
    const Vector3 v(3.0f, -5.0f, 7.0f);
    const Vector3 stepwise = rotated(rotated(rotated(v, yaw), pitch), roll);
    const Vector3 direct = rotated(v, all);
    expectVector(direct, stepwise.x, stepwise.y, stepwise.z, 1e-5);
}

TEST(Matrix3, ZeroAnglesAndTransposeAsInverse) {
    Matrix3 m;
    m.setRotation(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.m[i], (i % 4 == 0) ? 1.0f : 0.0f) << i;

    m.setRotation(37.0f, 101.0f, -55.0f);
    Matrix3 inverse;
    inverse.copyFrom(m);
    EXPECT_NE(inverse.m, m.m);  // values copied, storage kept
    inverse.transposeInPlace();
    EXPECT_FLOAT_EQ(inverse.m[1], m.m[3]);
    EXPECT_FLOAT_EQ(inverse.m[6], m.m[2]);
    EXPECT_FLOAT_EQ(inverse.m[5], m.m[7]);
    Matrix3 product;
    product.copyFrom(m);
    product.multiply(inverse);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(product.m[i], (i % 4 == 0) ? 1.0 : 0.0, 1e-6) << i;
}

TEST(Matrix3, MultiplyUsesTheOldValuesThroughout) {
    Matrix3 a, b;
    const float av[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const float bv[9] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    for (int i = 0; i < 9; ++i) {
        a.m[i] = av[i];
        b.m[i] = bv[i];
    }
    a.multiply(b);
    const float expected[9] = {30, 24, 18, 84, 69, 54, 138, 114, 90};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a.m[i], expected[i]) << i;
}
