#include "render3d/reflection_span.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/cpu_features.h"

namespace {
// Truncation toward zero, kept in range so that a degenerate ray cannot overflow.
int truncated(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}

#ifdef __SSE2__
// Halved, clamped as truncated() clamps (a NaN goes low: max_pd returns its
// second operand then) and truncated, for two lanes; the result in the low
// two 32-bit lanes.
__m128i truncatedHalves(__m128 value) {
    __m128d v = _mm_mul_pd(_mm_cvtps_pd(value), _mm_set1_pd(0.5));
    v = _mm_min_pd(_mm_max_pd(v, _mm_set1_pd(-1e9)), _mm_set1_pd(1e9));
    return _mm_cvttpd_epi32(v);
}
#endif
}  // namespace

void reflectionTexelsScalar(const ReflectionSpan& s, int first, int count, std::uint32_t* index) {
    for (int k = first; k < first + count; ++k) {
        const float rx = static_cast<float>(s.r0.x + s.dx * k / s.length);
        const float ry = static_cast<float>(s.r0.y + s.dy * k / s.length);
        const float rz = static_cast<float>(s.r0.z + s.dz * k / s.length);
        std::uint32_t u = static_cast<std::uint32_t>(truncated(rx * 0.5)) & 0xffu;
        const std::uint32_t v = static_cast<std::uint32_t>(truncated(ry * 0.5)) & 0xffu;
        if (rz < 0.0f) u = 255 - u;  // the back hemisphere, mirrored
        *index++ = v * 256 + u;
    }
}

void reflectionTexels(const ReflectionSpan& s, int first, int count, std::uint32_t* index) {
    if (!cpuFeatures::vectorPaths()) {
        reflectionTexelsScalar(s, first, count, index);
        return;
    }
#ifdef __SSE2__
    const __m128d x0 = _mm_set1_pd(s.r0.x), y0 = _mm_set1_pd(s.r0.y), z0 = _mm_set1_pd(s.r0.z);
    const __m128d dx = _mm_set1_pd(s.dx), dy = _mm_set1_pd(s.dy), dz = _mm_set1_pd(s.dz);
    const __m128d length = _mm_set1_pd(s.length);
    const __m128i low8 = _mm_set1_epi32(0xff);
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const __m128d k = _mm_set_pd(first + i + 1, first + i);
        const __m128 rx = _mm_cvtpd_ps(_mm_add_pd(x0, _mm_div_pd(_mm_mul_pd(dx, k), length)));
        const __m128 ry = _mm_cvtpd_ps(_mm_add_pd(y0, _mm_div_pd(_mm_mul_pd(dy, k), length)));
        const __m128 rz = _mm_cvtpd_ps(_mm_add_pd(z0, _mm_div_pd(_mm_mul_pd(dz, k), length)));
        __m128i u = _mm_and_si128(truncatedHalves(rx), low8);
        const __m128i v = _mm_and_si128(truncatedHalves(ry), low8);
        const __m128i back = _mm_castps_si128(_mm_cmplt_ps(rz, _mm_setzero_ps()));
        u = _mm_or_si128(_mm_andnot_si128(back, u), _mm_and_si128(back, _mm_sub_epi32(low8, u)));
        const __m128i texel = _mm_add_epi32(_mm_slli_epi32(v, 8), u);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(index + i), texel);
    }
    reflectionTexelsScalar(s, first + i, count - i, index + i);
#endif
}
