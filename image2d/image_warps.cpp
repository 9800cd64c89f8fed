#include "image2d/image_warps.h"

#include <cmath>
#include <cstring>

#include "platform/worker_pool.h"

namespace {
constexpr int kSide = 256;
constexpr int kHalf = 128;
constexpr std::uint32_t kOutside = 0xFF00FF;
constexpr int kWidth = 640;
constexpr int kHeight = 288;

// The copy the in-place discWarp reads from; static so that a call allocates nothing.
std::uint32_t warpCopy[kSide * kSide];

// Writes row y of the disc into disc[0 .. 255]: the source row squeezed into
// a centred span of 2a pixels, a = trunc(sqrt(129^2 - (y - 128)^2)), taking
// source pixel 128 i / a for span pixel i; the rest outside.
void squeezeRow(const std::uint32_t* source, int y, std::uint32_t* disc) {
    for (int x = 0; x < kSide; ++x) disc[x] = kOutside;
    const int k = y - kHalf;
    const int a = static_cast<int>(std::sqrt(static_cast<double>(16641 - k * k)));  // 16641 = 129^2
    if (a <= 0) return;
    const std::uint32_t* row = source + y * kSide;
    // The quotient kept as a running quotient and remainder.
    const unsigned width = static_cast<unsigned>(a);
    unsigned quotient = 0, remainder = 0;
    for (int i = 0; i < 2 * a; ++i) {
        const int x = kHalf - a + i;
        if (x >= 0 && x < kSide) disc[x] = row[quotient];
        quotient += 128u / width;
        remainder += 128u % width;
        if (remainder >= width) {
            remainder -= width;
            ++quotient;
        }
    }
}

// The disc's rows were once laid out by linear index, row after row: the
// middle row's 258 pixels reached one pixel into each neighbouring row. Row
// 129 covered the pixel below again, but the one above, the last of row 127,
// kept the middle row's first source pixel. The picture keeps that pixel.
constexpr int kSpillRow = kHalf - 1;
}  // namespace

void discWarp(const std::uint32_t* source, std::uint32_t* picture) {
    // Picture row r is disc row r + 128 turned by half a row: the quadrants swapped.
    workerPool().forBands(kSide, [&](int first, int last) {
        std::uint32_t disc[kSide];
        for (int r = first; r < last; ++r) {
            const int y = (r + kHalf) % kSide;
            squeezeRow(source, y, disc);
            if (y == kSpillRow) disc[kSide - 1] = source[kHalf * kSide];
            std::uint32_t* target = picture + r * kSide;
            std::memcpy(target, disc + kHalf, kHalf * sizeof *disc);
            std::memcpy(target + kHalf, disc, kHalf * sizeof *disc);
        }
    });
}

void discWarp(std::uint32_t* picture) {
    std::memcpy(warpCopy, picture, sizeof warpCopy);
    discWarp(warpCopy, picture);
}

namespace {
// Masking each channel's low bits first keeps the sums from carrying into the next channel.
inline std::uint32_t quarterMix(std::uint32_t near, std::uint32_t far) {
    return (3 * (near & 0xFCFCFCu) + (far & 0xFCFCFCu)) >> 2;
}
inline std::uint32_t halfMix(std::uint32_t a, std::uint32_t b) { return ((a & 0xFEFEFEu) + (b & 0xFEFEFEu)) >> 1; }

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
