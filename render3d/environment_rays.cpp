#include "render3d/environment_rays.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/cpu_features.h"
#include "render3d/environment_map.h"

void environmentRayTexelsScalar(const Vector3* directions, int count, const Matrix3& m, const std::uint32_t* map,
                                std::uint32_t* out, int step) {
    for (int k = 0; k < count; ++k) {
        Vector3 direction = directions[k];
        direction.transform(m);
        out[k * step] = environmentTexel(map, direction);
    }
}

void environmentRayTexels(const Vector3* directions, int count, const Matrix3& m, const std::uint32_t* map,
                          std::uint32_t* out, int step) {
    if (!cpuFeatures::vectorPaths()) {
        environmentRayTexelsScalar(directions, count, m, map, out, step);
        return;
    }
#ifdef __SSE2__
    __m128d c[9];
    for (int i = 0; i < 9; ++i) c[i] = _mm_set1_pd(m.m[i]);
    // One coordinate of the turned pair: (x m[a] + y m[a + 3]) + z m[a + 6], rounded to float.
    auto turned = [&](__m128d x, __m128d y, __m128d z, int a) {
        return _mm_cvtpd_ps(_mm_add_pd(_mm_add_pd(_mm_mul_pd(x, c[a]), _mm_mul_pd(y, c[a + 3])), _mm_mul_pd(z, c[a + 6])));
    };
    const __m128i low8 = _mm_set1_epi32(0xFF);
    int k = 0;
    for (; k + 2 <= count; k += 2) {
        const Vector3& d0 = directions[k];
        const Vector3& d1 = directions[k + 1];
        const __m128d x = _mm_set_pd(d1.x, d0.x), y = _mm_set_pd(d1.y, d0.y), z = _mm_set_pd(d1.z, d0.z);
        __m128i u = _mm_and_si128(_mm_cvttps_epi32(turned(x, y, z, 0)), low8);
        const __m128i v = _mm_and_si128(_mm_cvttps_epi32(turned(x, y, z, 1)), low8);
        const __m128i back = _mm_castps_si128(_mm_cmplt_ps(turned(x, y, z, 2), _mm_setzero_ps()));
        u = _mm_or_si128(_mm_andnot_si128(back, u), _mm_and_si128(back, _mm_sub_epi32(low8, u)));
        const __m128i index = _mm_add_epi32(_mm_slli_epi32(v, 8), u);
        out[k * step] = map[_mm_cvtsi128_si32(index)];
        out[(k + 1) * step] = map[_mm_cvtsi128_si32(_mm_srli_si128(index, 4))];
    }
    environmentRayTexelsScalar(directions + k, count - k, m, map, out + k * step, step);
#endif
}
