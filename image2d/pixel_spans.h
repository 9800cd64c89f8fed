#pragma once
// Row kernels over packed 0x00RRGGBB pixels, each with the scalar original it
// must match bit for bit (the vector path does the same integer arithmetic on
// four pixels at once). The plain versions run when cpuFeatures::vectorPaths()
// is off.
#include <cstdint>

// dst[i] gets addPixel's result of adding scale(colour, intensity[i]) for
// every i whose intensity is not zero; the others stay as they are.
void addScaledSpan(std::uint32_t* dst, const std::uint8_t* intensity, int count, std::uint32_t colour);
void addScaledSpanScalar(std::uint32_t* dst, const std::uint8_t* intensity, int count, std::uint32_t colour);
