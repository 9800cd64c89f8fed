#pragma once
// Lettering made at load time with the font engine, then handled as pixels:
// text rasterised into intensity images, relief shading of such images, and a
// 64-character fixed-pitch glyph table printed with a text cursor.
#include <cstdint>

// Writes text at the given cell height into destination (rows of stride
// pixels): (length x height) / 2 columns of height rows, intensity 0..255 in
// the low byte, background exactly 0.
void rasteriseText(std::uint32_t* destination, const char* text, std::uint16_t stride, int height);
// Turns an intensity image into shaded, relief-like lettering, in place.
void shadeEdges(std::uint32_t* image, std::int16_t width, std::int16_t height);

// The glyph table: 64 glyphs for the codes 32..95, each 16x16 pixels, glyph
// after glyph; 0xFFFFFF where set, kGlyphTransparent elsewhere.
constexpr int kGlyphCount = 64;
constexpr int kGlyphSize = 16;
constexpr std::uint32_t kGlyphTransparent = 0xFF00FF;

void buildGlyphTable();
void freeGlyphTable();
// The table's pixels; null before it is built and after it is freed.
const std::uint32_t* glyphTable();

// The viewport position of the next character's top-left corner.
struct TextCursor {
    std::int16_t x = 0;
    std::int16_t y = 0;
};
void setTextCursor(std::int16_t x, std::int16_t y);
TextCursor textCursor();
void drawGlyph(std::uint32_t* viewportPixels, char character, int cellWidth);
void drawString(std::uint32_t* viewportPixels, const char* text, int cellWidth);
