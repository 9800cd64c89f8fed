#pragma once
// The environment-map texels along a span of reflected rays: pixel k of a
// span of length pixels sees along r0 + d k / length (in double, rounded to
// float), the x and y halved and truncated to the column and row, the column
// mirrored where z < 0. The vector path computes two pixels at once with the
// same double and float operations; the scalar one is the original.
#include <cstdint>

#include "render3d/vector3.h"

struct ReflectionSpan {
    Vector3 r0;             // the ray at the span's left end
    double dx, dy, dz;      // to the ray at its right end
    int length;             // pixels of the whole span
};

// Texel indices (row x 256 + column) of pixels first .. first + count - 1.
void reflectionTexels(const ReflectionSpan& span, int first, int count, std::uint32_t* index);
void reflectionTexelsScalar(const ReflectionSpan& span, int first, int count, std::uint32_t* index);
