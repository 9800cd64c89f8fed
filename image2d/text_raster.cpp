#include "image2d/lettering.h"

#include <cstring>
#include <vector>

#include "platform/font_engine.h"
#include "platform/resources.h"

void rasteriseText(std::uint32_t* destination, const char* text, std::uint16_t stride, int height) {
    const int width = static_cast<int>(std::strlen(text)) * height / 2;
    if (destination == nullptr || width <= 0 || height <= 0) return;

    // The Roman face, its cells half as wide as high on average, a little
    // heavier than regular. Capitals are wider than the average, so a text
    // that would run past its columns is narrowed until it fits instead of
    // losing its last letters.
    FontRequest request{kSerifFontResource, height, static_cast<double>(height / 2), true, false};
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int textWidth = Font(request).textWidth(text);
        if (textWidth <= width) break;
        request.averageWidth *= static_cast<double>(width) / textWidth;
    }
    const Font font(request);
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height, 0);
    GreyImage image{grey.data(), width, height};
    font.drawText(image, 0, 0, text);

    for (int i = 0; i < height; ++i)
        for (int j = 0; j < width; ++j)
            destination[static_cast<std::size_t>(stride) * i + j] = grey[static_cast<std::size_t>(i) * width + j];
}
