#pragma once
// The environment-map texels seen along a row of directions turned by a
// rotation: for each direction, transform() by the matrix and then
// environmentTexel(). The vector path turns two directions at once with the
// same double operations in the same order and rounds them to float as
// transform() does; the scalar one is the original.
#include <cstdint>

#include "render3d/matrix3.h"
#include "render3d/vector3.h"

// out[k * step] = environmentTexel(map, directions[k] turned by m), k < count.
void environmentRayTexels(const Vector3* directions, int count, const Matrix3& m, const std::uint32_t* map,
                          std::uint32_t* out, int step);
void environmentRayTexelsScalar(const Vector3* directions, int count, const Matrix3& m, const std::uint32_t* map,
                                std::uint32_t* out, int step);
