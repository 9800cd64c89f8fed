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

void buildGlyphTable();
void freeGlyphTable();
void setTextCursor(std::int16_t x, std::int16_t y);
void drawGlyph(std::uint32_t* viewportPixels, char character, int cellWidth);
void drawString(std::uint32_t* viewportPixels, const char* text, int cellWidth);
