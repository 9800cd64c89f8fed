#include "image2d/lettering.h"

#include <vector>

#include "image2d/pixel_ops.h"
#include "platform/font_engine.h"
#include "platform/resources.h"

namespace {

constexpr int kGlyphPixels = kGlyphSize * kGlyphSize;
constexpr int kCellHeight = 20;   // the fixed-pitch face's cell
constexpr int kCellWidth = 10;    // columns each character is read from
constexpr int kFirstRow = 3;      // rows 3..18 of the rendered line hold the glyphs
constexpr int kGlyphLeft = 3;     // a glyph sits in columns 3..12 of its cell
constexpr int kMaxStringLength = 255;

std::uint32_t* table = nullptr;
TextCursor cursor;

// Glyph of character code ch: lower case and the codes after it fold onto the
// capitals, everything else wraps into the 64 glyphs.
int glyphIndex(char ch) {
    int n = static_cast<std::int8_t>(static_cast<unsigned char>(ch) - 32);
    if (n > 64) n -= 32 * ((n - 33) / 32);
    return n & 63;
}

void newLine() {
    cursor.y = static_cast<std::int16_t>(cursor.y + kGlyphSize);
    cursor.x = 0;
}

}  // namespace

void buildGlyphTable() {
    freeGlyphTable();
    table = new std::uint32_t[kGlyphCount * kGlyphPixels];
    for (int i = 0; i < kGlyphCount * kGlyphPixels; ++i) table[i] = kGlyphTransparent;

    // The line of the 64 characters, each at the start of its own 10-pixel
    // cell. The face's natural advance at this height is a little over 10
    // pixels, so it is narrowed to exactly 10: wider glyphs would spill into
    // the next cell.
    const Font font(FontRequest{kMonoFontResource, kCellHeight, kCellWidth, false, true});
    const int lineWidth = kGlyphCount * kCellWidth + kGlyphSize;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineWidth) * kCellHeight, 0);
    GreyImage image{line.data(), lineWidth, kCellHeight};
    for (int g = 0; g < kGlyphCount; ++g) {
        const char text[2] = {static_cast<char>(32 + g), '\0'};
        font.drawText(image, kCellWidth * g, 0, text);
    }

    for (int g = 0; g < kGlyphCount; ++g)
        for (int j = 0; j < kGlyphSize; ++j)
            for (int k = 0; k < kCellWidth; ++k)
                if (line[static_cast<std::size_t>(j + kFirstRow) * lineWidth + kCellWidth * g + k] != 0)
                    table[g * kGlyphPixels + j * kGlyphSize + k + kGlyphLeft] = 0xFFFFFF;
}

void freeGlyphTable() {
    delete[] table;
    table = nullptr;
}

const std::uint32_t* glyphTable() { return table; }

void setTextCursor(std::int16_t x, std::int16_t y) { cursor = TextCursor{x, y}; }

TextCursor textCursor() { return cursor; }

void drawGlyph(std::uint32_t* viewportPixels, char character, int cellWidth) {
    if (character == '\n') {
        newLine();
        return;
    }
    if (table != nullptr && viewportPixels != nullptr) {
        const std::uint32_t* glyph = table + glyphIndex(character) * kGlyphPixels;
        for (int i = 0; i < cellWidth; ++i) {
            // Glyphs are clipped at the viewport's edges rather than spilling
            // into the next row or past the last one.
            const int x = cursor.x + i;
            if (x < 0 || x >= kViewportWidth) continue;
            const int s = kGlyphSize * i / cellWidth;
            for (int j = 0; j < kGlyphSize; ++j) {
                const int y = cursor.y + j;
                const std::uint32_t p = glyph[s + kGlyphSize * j];
                if (p != kGlyphTransparent && y >= 0 && y < kViewportHeight) viewportPixels[y * kViewportWidth + x] = p;
            }
        }
    }
    cursor.x = static_cast<std::int16_t>(cursor.x + cellWidth);
    if (cursor.x > 639) newLine();
}

void drawString(std::uint32_t* viewportPixels, const char* text, int cellWidth) {
    for (int i = 0; i < kMaxStringLength && text[i] != '\0'; ++i) drawGlyph(viewportPixels, text[i], cellWidth);
}
