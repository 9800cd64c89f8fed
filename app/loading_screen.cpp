#include "app/loading_screen.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "app/presentation.h"
#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"
#include "maths/elementary.h"
#include "platform/worker_pool.h"

namespace {

constexpr int kImageWidth = 640;
constexpr int kImageRows = 128;
constexpr int kBandTop = 80;  // viewport row of the image's first row
constexpr int kThumbnailLeft = 12;
constexpr int kThumbnailTop = 396;
constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailRows = 72;

// Kept for the whole run; released at process exit at the latest.
std::unique_ptr<std::uint32_t[]> image;

}  // namespace

void buildLoadingImage() {
    if (!image) image = std::make_unique<std::uint32_t[]>(kImageWidth * kImageRows);
    std::uint32_t* pixels = image.get();
    std::memset(pixels, 0, sizeof(std::uint32_t) * kImageWidth * kImageRows);
    rasteriseText(pixels + 32 * kImageWidth, "  <- now loading ->", kImageWidth, 64);
    shadeEdges(pixels, kImageWidth, kImageRows);
    // A dim blue-green glow, strongest in the middle rows.
    for (int y = 0; y < kImageRows; ++y) {
        const std::uint32_t glow = scale(0x003040, static_cast<std::uint32_t>(y < 64 ? y : 127 - y));
        for (int x = 0; x < kImageWidth; ++x)
            addPixel(pixels, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), glow);
    }
}

const std::uint32_t* loadingImagePixels() { return image.get(); }

namespace {
constexpr double kColumnStep = 0.028328611898017;  // the wave's angle per column
constexpr double kRowStep = 0.026737967914438502;  // and per row

// sin and cos of each column's share of the angle, x * kColumnStep.
struct ColumnAngles {
    double sine[kImageWidth];
    double cosine[kImageWidth];
};

const ColumnAngles& columnAngles() {
    static const ColumnAngles table = [] {
        ColumnAngles t{};
        for (int x = 0; x < kImageWidth; ++x) {
            t.sine[x] = std::sin(x * kColumnStep);
            t.cosine[x] = std::cos(x * kColumnStep);
        }
        return t;
    }();
    return table;
}

// The wave's row offsets of one row, trunc(-32 x strength x sin(angle)) with
// angle = x * kColumnStep + rowPhase and the show's own sine. sin(a + b) =
// sin a cos b + cos a sin b, from the table and one C library sine and cosine
// of the row (each within an ulp), is within a few 1e-16 of sin(a + b); the
// angle itself is that sum rounded, by up to half an ulp of 2^14 (9.1e-13)
// while |angle| stays below 2^14. So the two sines differ by less than 1e-12,
// and 32 times that by less than 3e-11, far below 1e-9 (at 2^20 it would not
// be): unless the product lands that close to a whole number its
// truncation is the same, and the slower correctly rounded sine decides only
// then. Rows beyond that range take the C library's sine of each angle.
void waveOffsets(double strength, double rowPhase, int (&offsets)[kImageWidth]) {
    const double amplitude = -32.0 * strength;
    const bool tabulated = std::fabs(rowPhase) < 16000.0;
    const double rowSine = std::sin(rowPhase), rowCosine = std::cos(rowPhase);
    const ColumnAngles& columns = columnAngles();
    for (int x = 0; x < kImageWidth; ++x) {
        const double angle = x * kColumnStep + rowPhase;
        const double sine =
            tabulated ? columns.sine[x] * rowCosine + columns.cosine[x] * rowSine : std::sin(angle);
        const double quick = amplitude * sine;
        const int whole = static_cast<int>(quick);
        const double fraction = std::fabs(quick - whole);  // exact
        offsets[x] = fraction > 1e-9 && fraction < 1.0 - 1e-9
                         ? whole
                         : static_cast<int>(-32.0 * strength * maths::sin(angle));
    }
}
}  // namespace

void drawLoadingFrame(float time) {
    if (viewport == nullptr) return;
    std::memset(viewport, 0, sizeof(std::uint32_t) * kFrameWidth * kViewportRows);
    if (!image) return;
    const double t = std::isfinite(time) ? time : 0.0;
    const double strength = maths::sin(t * 0.0007853981634);  // swings once per 8,000 ms
    const double phase = t * 0.0021896211955331727;
    workerPool().forBands(kImageRows, [&](int first, int last) {
        int offsets[kImageWidth];
        for (int j = first; j < last; ++j) {
            waveOffsets(strength, j * kRowStep + phase, offsets);
            std::uint32_t* destination = viewport + (kBandTop + j) * kFrameWidth;
            for (int x = 0; x < kImageWidth; ++x) {
                // At most 32 rows either way, wrapping round the image's 128 rows.
                destination[x] = image[((j - offsets[x]) & (kImageRows - 1)) * kImageWidth + x];
            }
        }
    });
}

void drawThumbnail(bool present) {
    if (frameBuffer == nullptr || viewport == nullptr) return;
    for (int ty = 0; ty < kThumbnailRows; ++ty) {
        std::uint32_t* destination = frameBuffer + (kThumbnailTop + ty) * kFrameWidth + kThumbnailLeft;
        for (int tx = 0; tx < kThumbnailWidth; ++tx) {
            // Four bits a channel leave room for sixteen of them in one word.
            std::uint32_t sum = 0;
            for (int dy = 0; dy < 4; ++dy) {
                const std::uint32_t* source = viewport + (4 * ty + dy) * kFrameWidth + 4 * tx;
                sum += (source[0] & 0xF0F0F0u) + (source[1] & 0xF0F0F0u) + (source[2] & 0xF0F0F0u) +
                       (source[3] & 0xF0F0F0u);
            }
            destination[tx] = sum >> 4;
        }
    }
    if (present && presentBars != nullptr) presentBars(frameBuffer);
}

void freeLoadingImage() { image.reset(); }
