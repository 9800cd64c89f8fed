#pragma once
// Text drawn with the embedded font faces, sized and placed the way the
// Windows font engine does it, because the lettering was designed for that:
// a font's height is its cell height (the face's win ascent plus win descent),
// its width the weighted average width of the lower-case letters, and a line
// of text hangs from the top of its cell with the baseline at the scaled win
// ascent. White on black: every pixel is a grey value 0..255.
#include <cstdint>
#include <memory>

struct FontRequest {
    int resourceId = 0;       // embedded TrueType face (platform/resources.h)
    int cellHeight = 0;       // pixels from the cell top to the cell bottom
    double averageWidth = 0;  // pixels; 0 keeps the face's own proportions
    bool semiBold = false;    // thickened halfway between regular and bold
    bool monochrome = false;  // pixels are 0 or 255 only, hinted for small cells
};

// Borrowed 8-bit pixels, rows of width bytes, top row first.
struct GreyImage {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// Build-time baking of the lettering for builds without a font engine (the
// browser's): when set, every text measured or drawn is reported first.
using FontObserver = void (*)(const FontRequest& request, const char* text);
void setFontObserver(FontObserver observer);

class Font {
public:
    explicit Font(const FontRequest& request);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // False when the face could not be opened or sized; such a font draws nothing.
    bool ok() const;
    // Row of the baseline below the cell top.
    int baseline() const;
    // Pixels the pen advances over text drawn as one line.
    int textWidth(const char* text) const;
    // Draws text with its cell's top-left corner at (x, y), each pixel taking
    // the brighter of what it held and the text's coverage; clipped to the image.
    void drawText(GreyImage& image, int x, int y, const char* text) const;

private:
    struct Face;
    std::unique_ptr<Face> face_;
};
