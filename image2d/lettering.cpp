// Placeholder until the lettering lands.
#include "image2d/lettering.h"

void rasteriseText(std::uint32_t*, const char*, std::uint16_t, int) {}
void shadeEdges(std::uint32_t*, std::int16_t, std::int16_t) {}
void buildGlyphTable() {}
void freeGlyphTable() {}
void setTextCursor(std::int16_t, std::int16_t) {}
void drawGlyph(std::uint32_t*, char, int) {}
void drawString(std::uint32_t*, const char*, int) {}
