#include "image2d/pixel_ops.h"

#include "maths/elementary.h"

float angleOf(float x, float y) {
    constexpr double k = 81.48733086278567;  // 256 / pi
    if (x == 0.0f) {
        if (y > 0.0f) return 128.0f;
        if (y < 0.0f) return 384.0f;
        return 256.0f;
    }
    const double a = maths::atan(static_cast<double>(y) / static_cast<double>(x)) * k;
    if (x > 0.0f) return static_cast<float>(y >= 0.0f ? a : a + 512.0);
    return static_cast<float>(a + 256.0);
}
