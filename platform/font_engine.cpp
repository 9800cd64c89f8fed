#include "platform/font_engine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "platform/resources.h"

namespace {

// How often each lower-case letter and the space occur in English text, per
// thousand: the weights of the classic average character width.
constexpr int kLetterWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20,
                                    56, 56, 17, 4, 49, 56, 71, 31, 10, 18, 3, 18, 2};
constexpr int kSpaceWeight = 166;

// Advance of character c in font units; 0 when the face lacks it.
long unscaledAdvance(FT_Face face, char c) {
    const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
    FT_Fixed advance = 0;
    if (index == 0 || FT_Get_Advance(face, index, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
    return advance;
}

// The weighted average width of the lower-case letters and the space, in font units.
double weightedAverageWidth(FT_Face face) {
    double sum = kSpaceWeight * static_cast<double>(unscaledAdvance(face, ' '));
    for (int letter = 0; letter < 26; ++letter)
        sum += kLetterWeights[letter] * static_cast<double>(unscaledAdvance(face, static_cast<char>('a' + letter)));
    return sum / 1000.0;
}

FontObserver fontObserver = nullptr;

}  // namespace

void setFontObserver(FontObserver observer) { fontObserver = observer; }

struct Font::Face {
    FontRequest request;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    int baseline = 0;
    FT_Int32 loadFlags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;
    FT_Pos emboldenStrength = 0;  // 26.6 pixels; 0 = none

    ~Face() {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }

    bool open(const FontRequest& request) {
        const ResourceData data = findResource(request.resourceId);
        if (!data || request.cellHeight <= 0 || !(request.averageWidth >= 0.0)) return false;
        if (FT_Init_FreeType(&library) != 0) return false;
        if (FT_New_Memory_Face(library, data.data, static_cast<FT_Long>(data.size), 0, &face) != 0) return false;
        if (!FT_IS_SCALABLE(face)) return false;

        double ascent = face->ascender;
        double descent = -face->descender;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        }
        if (ascent + descent <= 0.0) return false;

        const double unitsPerEm = face->units_per_EM;
        const double pixelsPerUnit = request.cellHeight / (ascent + descent);
        baseline = static_cast<int>(std::lround(ascent * pixelsPerUnit));
        const FT_F26Dot6 charHeight = std::lround(unitsPerEm * pixelsPerUnit * 64.0);
        FT_F26Dot6 charWidth = charHeight;
        if (request.averageWidth > 0.0) {
            const double average = weightedAverageWidth(face);
            if (average <= 0.0) return false;
            charWidth = std::lround(request.averageWidth * unitsPerEm / average * 64.0);
        }
        if (charHeight <= 0 || charWidth <= 0) return false;
        if (FT_Set_Char_Size(face, charWidth, charHeight, 72, 72) != 0) return false;

        if (request.monochrome) {
            loadFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP;
            renderMode = FT_RENDER_MODE_MONO;
        }
        // A bold face thickens its strokes by about a 24th of the em; half of
        // that sits between regular and bold.
        if (request.semiBold) emboldenStrength = charHeight / 48;
        return true;
    }

    // Loads the glyph of c into the slot; false when it cannot be loaded.
    bool load(char c) const {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
        return FT_Load_Glyph(face, index, loadFlags) == 0;
    }

    static int roundedAdvance(FT_GlyphSlot slot) { return static_cast<int>((slot->advance.x + 32) >> 6); }

    void blit(const FT_Bitmap& bitmap, int left, int top, GreyImage& image) const {
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = top + static_cast<int>(row);
            if (y < 0 || y >= image.height) continue;
            const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * std::abs(bitmap.pitch);
            std::uint8_t* destination = image.pixels + static_cast<std::ptrdiff_t>(y) * image.width;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = left + static_cast<int>(column);
                if (x < 0 || x >= image.width) continue;
                std::uint8_t value = 0;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    value = (source[column >> 3] & (0x80u >> (column & 7u))) != 0 ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    value = source[column];
                destination[x] = std::max(destination[x], value);
            }
        }
    }
};

Font::Font(const FontRequest& request) : face_(std::make_unique<Face>()) {
    face_->request = request;
    if (!face_->open(request)) face_.reset();
}

Font::~Font() = default;

bool Font::ok() const { return face_ != nullptr; }

int Font::baseline() const { return face_ ? face_->baseline : 0; }

int Font::textWidth(const char* text) const {
    if (!face_) return 0;
    if (fontObserver != nullptr) fontObserver(face_->request, text);
    int width = 0;
    for (const char* c = text; *c != '\0'; ++c)
        if (face_->load(*c)) width += Face::roundedAdvance(face_->face->glyph);
    return width;
}

void Font::drawText(GreyImage& image, int x, int y, const char* text) const {
    if (!face_ || image.pixels == nullptr) return;
    if (fontObserver != nullptr) fontObserver(face_->request, text);
    int pen = x;
    for (const char* c = text; *c != '\0'; ++c) {
        if (!face_->load(*c)) continue;
        FT_GlyphSlot slot = face_->face->glyph;
        const int advance = Face::roundedAdvance(slot);
        if (face_->emboldenStrength > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_Embolden(&slot->outline, face_->emboldenStrength);
        if (FT_Render_Glyph(slot, face_->renderMode) == 0)
            face_->blit(slot->bitmap, pen + slot->bitmap_left, y + face_->baseline - slot->bitmap_top, image);
        pen += advance;
    }
}
