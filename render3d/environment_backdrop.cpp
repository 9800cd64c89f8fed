#include "render3d/environment_backdrop.h"

#include "image2d/image_warps.h"
#include "platform/worker_pool.h"
#include "render3d/camera.h"
#include "render3d/environment_map.h"
#include "render3d/environment_rays.h"
#include "render3d/view_rays.h"

EnvironmentBackdrop::EnvironmentBackdrop() : rays(new Vector3[kViewRayCount]) {
    position.set(0.0f, 0.0f, 0.0f);
    orientation.setRotation(0.0f, 0.0f, 0.0f);
}

EnvironmentBackdrop::~EnvironmentBackdrop() { delete[] rays; }

void EnvironmentBackdrop::initRays(float factor) { buildViewRays(rays, factor); }

float EnvironmentBackdrop::depth(const Camera&) { return 99999.0f; }

void EnvironmentBackdrop::draw(std::uint32_t* viewport, Camera& camera, LightSet&) {
    if (envMap == nullptr) return;
    viewToWorld.copyFrom(camera.rotation);
    viewToWorld.transposeInPlace();
    workerPool().forBands(kViewRayRows, [&](int first, int last) {
        for (int b = first; b < last; ++b)
            environmentRayTexels(rays + b * kViewRayColumns, kViewRayColumns, viewToWorld, envMap,
                                 viewport + 4 * b * 640, 2);
    });
    expandSamples(viewport);
}
