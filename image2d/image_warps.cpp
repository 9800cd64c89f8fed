#include "image2d/image_warps.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "platform/worker_pool.h"

namespace {
constexpr int kSide = 256;
constexpr int kHalf = 128;
constexpr std::uint32_t kOutside = 0xFF00FF;
constexpr int kWidth = 640;
constexpr int kHeight = 288;

// The copy discWarp reads from; static because scene 2 warps its sky every frame.
std::uint32_t warpCopy[kSide * kSide];

void squeezeRowsIntoDisc(std::uint32_t* picture) {
    for (int y = 0; y < kSide; ++y) {
        const int k = y - kHalf;
        const int a = static_cast<int>(std::sqrt(static_cast<double>(16641 - k * k)));  // 16641 = 129^2
        if (a <= 0) continue;
        const std::uint32_t* source = warpCopy + y * kSide;
        // Linear indexing: the middle row's 258 pixels reach one pixel into
        // each neighbouring row, and row 129 later overwrites the second one.
        std::uint32_t* target = picture + y * kSide + (kHalf - a);
        // source[128 i / a], the quotient kept as a running quotient and remainder.
        const unsigned width = static_cast<unsigned>(a);
        unsigned quotient = 0, remainder = 0;
        for (unsigned i = 0; i < 2u * width; ++i) {
            target[i] = source[quotient];
            quotient += 128u / width;
            remainder += 128u % width;
            if (remainder >= width) {
                remainder -= width;
                ++quotient;
            }
        }
    }
}

void swapQuadrants(std::uint32_t* picture) {
    for (int r = 0; r < kHalf; ++r) {
        for (int c = 0; c < kHalf; ++c) {
            std::swap(picture[r * kSide + c], picture[(r + kHalf) * kSide + c + kHalf]);
            std::swap(picture[r * kSide + c + kHalf], picture[(r + kHalf) * kSide + c]);
        }
    }
}

// Masking each channel's low bits first keeps the sums from carrying into the next channel.
inline std::uint32_t quarterMix(std::uint32_t near, std::uint32_t far) {
    return (3 * (near & 0xFCFCFCu) + (far & 0xFCFCFCu)) >> 2;
}
inline std::uint32_t halfMix(std::uint32_t a, std::uint32_t b) { return ((a & 0xFEFEFEu) + (b & 0xFEFEFEu)) >> 1; }
}  // namespace

void discWarp(std::uint32_t* picture) {
    std::memcpy(warpCopy, picture, sizeof warpCopy);
    for (int i = 0; i < kSide * kSide; ++i) picture[i] = kOutside;
    squeezeRowsIntoDisc(picture);
    swapQuadrants(picture);
}

namespace {
// Sample rows g .. last - 1 and the three rows below each. A group reads only
// its own sample row, the next one (which no group writes) and its own rows, so
// groups may run on different threads.
void expandGroups(std::uint32_t* viewportPixels, int first, int last) {
    for (int g = first; g < last; ++g) {
        std::uint32_t* top = viewportPixels + 4 * g * kWidth;
        for (int x = 0; x < kWidth; x += 2) {
            const std::uint32_t a = top[x];
            const std::uint32_t b = top[x + 4 * kWidth];  // for the last group: the row below the viewport
            top[x + kWidth] = quarterMix(a, b);
            top[x + 2 * kWidth] = halfMix(a, b);
            top[x + 3 * kWidth] = quarterMix(b, a);
        }
        // By linear index: a row's last pixel mixes with the next row's first, the
        // viewport's last with the first pixel below it (both even, so never written here).
        for (int j = 4 * g * kWidth + 1; j < 4 * (g + 1) * kWidth; j += 2)
            viewportPixels[j] = halfMix(viewportPixels[j - 1], viewportPixels[j + 1]);
    }
}
}  // namespace

void expandSamples(std::uint32_t* viewportPixels) {
    workerPool().forBands(kHeight / 4, [&](int first, int last) { expandGroups(viewportPixels, first, last); });
}
