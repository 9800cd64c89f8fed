// The font engine of builds without FreeType (the browser's): every text the
// show measures or draws comes from the baked lettering resource, exactly as
// the native engine drew it. A text missing from it is reported once and
// drawn as nothing.
#include <cstdio>
#include <vector>

#include "platform/baked_lettering.h"
#include "platform/font_engine.h"
#include "platform/resources.h"

namespace {

const std::vector<BakedText>& bakedTexts() {
    static const std::vector<BakedText> texts = [] {
        std::vector<BakedText> decoded;
        const ResourceData data = findResource(kLetteringResource);
        if (!decodeLettering(data.data, data.size, decoded))
            std::fprintf(stderr, "qorbt: the baked lettering is missing or damaged\n");
        return decoded;
    }();
    return texts;
}

}  // namespace

void setFontObserver(FontObserver) {}

struct Font::Face {
    FontRequest request;
    int baseline = 0;

    const BakedText* find(const char* text) const {
        for (const BakedText& t : bakedTexts())
            if (sameRequest(t.request, request) && t.text == text) return &t;
        std::fprintf(stderr, "qorbt: no baked lettering for \"%s\" at height %d\n", text, request.cellHeight);
        return nullptr;
    }
};

Font::Font(const FontRequest& request) : face_(std::make_unique<Face>()) {
    face_->request = request;
    for (const BakedText& t : bakedTexts())
        if (sameRequest(t.request, request)) {
            face_->baseline = t.baseline;
            return;
        }
    face_.reset();
}

Font::~Font() = default;

bool Font::ok() const { return face_ != nullptr; }

int Font::baseline() const { return face_ ? face_->baseline : 0; }

int Font::textWidth(const char* text) const {
    const BakedText* t = face_ ? face_->find(text) : nullptr;
    return t != nullptr ? t->width : 0;
}

void Font::drawText(GreyImage& image, int x, int y, const char* text) const {
    const BakedText* t = face_ && image.pixels != nullptr ? face_->find(text) : nullptr;
    if (t == nullptr) return;
    for (int row = 0; row < t->rows; ++row) {
        const int v = y + t->top + row;
        if (v < 0 || v >= image.height) continue;
        for (int column = 0; column < t->columns; ++column) {
            const int u = x + t->left + column;
            if (u < 0 || u >= image.width) continue;
            std::uint8_t& p = image.pixels[v * image.width + u];
            const std::uint8_t c = t->coverage[static_cast<std::size_t>(row) * t->columns + column];
            if (c > p) p = c;
        }
    }
}
