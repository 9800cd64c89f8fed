#include "image2d/pixel_spans.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstring>

#include "image2d/pixel_ops.h"
#include "platform/cpu_features.h"

void addScaledSpanScalar(std::uint32_t* dst, const std::uint8_t* intensity, int count, std::uint32_t colour) {
    for (int i = 0; i < count; ++i) {
        if (intensity[i] == 0) continue;
        const std::uint32_t c = scale(colour, intensity[i]);
        std::uint32_t red = (dst[i] & 0xFF0000u) + (c & 0xFF0000u);
        std::uint32_t green = (dst[i] & 0xFF00u) + (c & 0xFF00u);
        std::uint32_t blue = (dst[i] & 0xFFu) + (c & 0xFFu);
        if (red > 0xFF0000u) red = 0xFF0000u;
        if (green > 0xFF00u) green = 0xFF00u;
        if (blue > 0xFFu) blue = 0xFFu;
        dst[i] = red + green + blue;
    }
}

void addScaledSpan(std::uint32_t* dst, const std::uint8_t* intensity, int count, std::uint32_t colour) {
    if (!cpuFeatures::vectorPaths()) {
        addScaledSpanScalar(dst, intensity, count, colour);
        return;
    }
#ifdef __SSE2__
    // scale(): each channel times k, shifted right by 7, saturated at 255. The
    // products fit 16 bits; the pack saturates exactly as scale() clamps. The
    // colour's top byte is dropped, as scale() drops it.
    const __m128i zero = _mm_setzero_si128();
    const __m128i channels = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(colour & 0xFFFFFFu)), zero);
    const __m128i colour16 = _mm_unpacklo_epi64(channels, channels);  // B G R 0 B G R 0
    const __m128i lowBytes = _mm_set1_epi32(0x00FFFFFF);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        std::int32_t four;
        std::memcpy(&four, intensity + i, sizeof four);
        const __m128i k4 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero);  // k0 .. k3 in 16 bits
        const __m128i k32 = _mm_unpacklo_epi16(k4, zero);
        const __m128i k16 = _mm_unpacklo_epi16(k4, k4);  // k0 k0 k1 k1 k2 k2 k3 k3
        const __m128i k01 = _mm_unpacklo_epi32(k16, k16);  // k0 x4, k1 x4
        const __m128i k23 = _mm_unpackhi_epi32(k16, k16);
        const __m128i s01 = _mm_srli_epi16(_mm_mullo_epi16(colour16, k01), 7);
        const __m128i s23 = _mm_srli_epi16(_mm_mullo_epi16(colour16, k23), 7);
        const __m128i scaled = _mm_packus_epi16(s01, s23);
        __m128i* p = reinterpret_cast<__m128i*>(dst + i);
        const __m128i sum = _mm_adds_epu8(_mm_loadu_si128(p), scaled);
        // A pixel that gets light loses its top byte, as addPixel rebuilds it
        // from the three channels; one with intensity 0 is left whole.
        const __m128i keep = _mm_or_si128(_mm_cmpeq_epi32(k32, zero), lowBytes);
        _mm_storeu_si128(p, _mm_and_si128(sum, keep));
    }
    addScaledSpanScalar(dst + i, intensity + i, count - i, colour);
#endif
}
