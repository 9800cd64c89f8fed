#include "image2d/lettering.h"

#include "image2d/pixel_ops.h"
#include "maths/elementary.h"

namespace {

constexpr int kSearchRadius = 11;
constexpr int kDirections = 64;
constexpr double kDirectionStep = 0.098174770425;  // a 64th of a turn

struct Directions {
    double sine[kDirections];
    double cosine[kDirections];
    Directions() {
        for (int k = 0; k < kDirections; ++k) {
            sine[k] = maths::sin(k * kDirectionStep);
            cosine[k] = maths::cos(k * kDirectionStep);
        }
    }
};

int clampTo(int value, int limit) {
    if (value < 0) return 0;
    return value >= limit ? limit - 1 : value;
}

}  // namespace

// Each lettering pixel takes a grey from the direction of the nearest
// background pixel (k = 0 straight below, darkest), searched outwards ring by
// ring; then it is smoothed into its left neighbour. The search sees pixels
// already shaded, which is part of the look.
void shadeEdges(std::uint32_t* image, std::int16_t width, std::int16_t height) {
    if (image == nullptr || width <= 0 || height <= 0) return;
    static const Directions directions;
    const int count = width * height;
    for (int i = 0; i < count; ++i) {
        if (image[i] != 0) {
            const double x = i % width;
            const double y = i / width;
            bool found = false;
            for (int r = 1; r <= kSearchRadius && !found; ++r) {
                for (int k = 0; k < kDirections; ++k) {
                    const int c = clampTo(static_cast<int>(x + r * directions.sine[k]), width);
                    const int w = clampTo(static_cast<int>(y + r * directions.cosine[k]), height);
                    if (image[w * width + c] == 0) {
                        image[i] = static_cast<std::uint32_t>(k + 22) * 0x030303u;
                        found = true;
                        break;
                    }
                }
            }
        }
        if (i > 0 && image[i] != 0 && image[i - 1] != 0) image[i - 1] = blend(image[i - 1], image[i], 128);
    }
}
