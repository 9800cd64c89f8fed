#include "render3d/view_rays.h"

void buildViewRays(Vector3* rays, float projection) {
    for (int b = 0; b < kViewRayRows; ++b) {
        for (int i = 0; i < kViewRayColumns; ++i) {
            Vector3& ray = rays[b * kViewRayColumns + i];
            ray.set(static_cast<float>(2 * i - 320), static_cast<float>(4 * b - 144), projection);
            ray.setLength(128.0f);
        }
    }
}
