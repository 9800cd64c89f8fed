// The credits: a grey plasma in a white viewport, the rainbow emblem shaking
// on the beat, and three credit panels one after the other.
#include <algorithm>
#include <cstring>
#include <memory>

#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"
#include "maths/elementary.h"
#include "platform/worker_pool.h"
#include "scenes/demo_clock.h"
#include "scenes/scenes.h"

namespace scene3 {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLogoSize = 256;
constexpr int kPanelWidth = 256;
constexpr int kPanelRows = 64;
constexpr std::uint32_t kPanelTint = 0x00CF9F;

std::unique_ptr<std::uint32_t[]> logoImage;
std::unique_ptr<std::uint32_t[]> creditsCode;
std::unique_ptr<std::uint32_t[]> creditsMusic;
std::unique_ptr<std::uint32_t[]> creditsAnimation;

struct PanelWindow {
    float from;  // shown strictly between from and to
    float to;
    const std::unique_ptr<std::uint32_t[]>& image;
    int column;
    int row;
};

const PanelWindow panelWindows[] = {
    {2019.0f, 4038.0f, creditsCode, 1, 0},
    {6057.0f, 8076.0f, creditsMusic, 383, 153},
    {10095.0f, 12114.0f, creditsAnimation, 1, 223},
};

std::unique_ptr<std::uint32_t[]> blankImage(int pixels) {
    auto image = std::make_unique<std::uint32_t[]>(pixels);
    std::memset(image.get(), 0, sizeof(std::uint32_t) * pixels);
    return image;
}

// A dot of five pixels: the point and its four neighbours.
void plotDot(std::uint32_t* image, int column, int row) {
    const int offsets[5][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& offset : offsets) {
        const int x = column + offset[0];
        const int y = row + offset[1];
        if (x >= 0 && x < kLogoSize && y >= 0 && y < kLogoSize) image[y * kLogoSize + x] = 255;
    }
}

void drawEmblemCurve(std::uint32_t* image) {
    for (int k = 0; k < 2048; ++k) {
        const int row = static_cast<int>(10.0 * maths::cos(k * (kPi / 128)) + 20.0 * maths::sin(k * (kPi / 256)) +
                                         40.0 * maths::cos(k * (kPi / 512)) + 80.0 * maths::sin(k * (kPi / 1024)) + 160.0);
        const int column = static_cast<int>(10.0 * maths::sin(k * (kPi / 128)) + 20.0 * maths::cos(k * (kPi / 256)) +
                                            40.0 * maths::sin(k * (kPi / 512)) + 80.0 * maths::cos(k * (kPi / 1024)) + 128.0);
        plotDot(image, column, row);
    }
    for (int k = 0; k < 2048; ++k) {
        const int row = static_cast<int>(32.0 * maths::sin(k * (kPi / 1024)) + 160.0);
        const int column = static_cast<int>(32.0 * maths::cos(k * (kPi / 1024)) + 128.0);
        plotDot(image, column, row);
    }
}

// The hue turns once round the colour circle per turn about the circle's
// centre; the relief shading sets the brightness.
void colourEmblem(std::uint32_t* image) {
    for (int y = 0; y < kLogoSize; ++y) {
        for (int x = 0; x < kLogoSize; ++x) {
            std::uint32_t& p = image[y * kLogoSize + x];
            if (p == 0) continue;
            const int e = static_cast<int>(angleOf(static_cast<float>(x - 128), static_cast<float>(y - 160)));
            const int red = static_cast<int>(127.0 * maths::sin((e + 341) * (kPi / 256)) + 128.0);
            const int green = static_cast<int>(127.0 * maths::sin((e + 170) * (kPi / 256)) + 128.0);
            const int blue = static_cast<int>(127.0 * maths::sin(e * (kPi / 256)) + 128.0);
            p = scale(static_cast<std::uint32_t>(red * 65536 + green * 256 + blue), p & 0xFF);
        }
    }
}

std::unique_ptr<std::uint32_t[]> makePanel(const char* title, const char* name, int nameColumn) {
    auto panel = blankImage(kPanelWidth * kPanelRows);
    rasteriseText(panel.get() + 8, title, kPanelWidth, 32);
    rasteriseText(panel.get() + 32 * kPanelWidth + nameColumn, name, kPanelWidth, 32);
    shadeEdges(panel.get(), kPanelWidth, kPanelRows);
    return panel;
}

// The plasma's terms for one frame: those of time, and those of the column only.
struct PlasmaFrame {
    double p1, p3, p6;
    double edge[256], waveA[256], waveB[256], waveC[256];
    bool fading;  // the fade-in from white during the first 1,024 ms
    std::uint32_t fade;
};

void preparePlasma(PlasmaFrame& f, float t) {
    f.p1 = t * 0.0023036166781847498;
    const double p2 = t * 0.0018326094525995566;
    f.p3 = t * 0.0029931158335827594;
    const double p4 = t * 0.0013410758110155969;
    const double p5 = t * 0.006864831468387451;
    f.p6 = t * 0.0015770383220312253;
    for (int n = 0; n < 256; ++n) {
        f.edge[n] = maths::sin(n * (kPi / 256));
        f.waveA[n] = maths::cos(p2 - n * 0.04048582995951417);
        f.waveB[n] = maths::sin(p5 - n * 0.03676470588235294);
        f.waveC[n] = maths::sin(n * 0.02881844380403458 + p4);
    }
    f.fading = t < 1024.0f;
    f.fade = f.fading && t > 0.0f ? static_cast<std::uint32_t>(static_cast<int>(t) / 8) : 0;
}

// Plasma row r fills viewport rows 2r and 2r + 1, columns 64..575.
void drawPlasmaRow(const PlasmaFrame& f, int r) {
    const double ra = maths::sin(r * 0.022522522522522525 + f.p1);
    const double rb = maths::cos(f.p3 - r * 0.04098360655737705);
    const double rc = maths::cos(r * 0.023148148148148147 + f.p6);
    const double rd = maths::sin(r * 0.02181661565);  // a half sine over the 144 rows
    std::uint32_t* top = viewport + 2 * r * kViewportWidth + 64;
    std::uint32_t* bottom = top + kViewportWidth;
    for (int n = 0; n < 256; ++n) {
        const double sum = f.waveA[n] * ra + f.waveB[n] + f.waveC[n] * rb + rc;
        const int v = static_cast<int>(sum * 32.0 + 128.0);
        const double s = f.edge[n];
        const int w = static_cast<int>(v * rd * s * s);
        std::uint32_t j = w < 64 ? static_cast<std::uint32_t>(w) * 0x040404u : static_cast<std::uint32_t>(319 - w) * 0x010101u;
        if (f.fading) j = scale(j, f.fade);
        const std::uint32_t pixel = 0xFFFFFFu - j;
        top[2 * n] = top[2 * n + 1] = bottom[2 * n] = bottom[2 * n + 1] = pixel;
    }
}

// Jumps sideways by up to 31 pixels on every 32nd row of the music and
// settles over the next 31 rows, swinging with a period of about 505 ms.
int emblemOffset(float t) {
    return static_cast<int>((31 - (currentRow() & 31)) * maths::cos(t * 0.012448113535809806));
}

// The emblem's opaque pixels on viewport rows first .. last - 1.
void drawEmblemRows(int offset, int first, int last) {
    for (int y = std::max(first - 16, 0); y < std::min(last - 16, kLogoSize); ++y) {
        const std::uint32_t* source = logoImage.get() + y * kLogoSize;
        std::uint32_t* destination = viewport + (16 + y) * kViewportWidth + 192 + offset;
        for (int x = 0; x < kLogoSize; ++x)
            if (source[x] != 0) destination[x] = source[x];
    }
}

// A panel's rows on viewport rows first .. last - 1, tinted by its coverage.
void drawPanelRows(const PanelWindow& window, int first, int last) {
    const std::uint32_t* panel = window.image.get();
    for (int y = std::max(first - window.row, 0); y < std::min(last - window.row, kPanelRows); ++y) {
        std::uint32_t* destination = viewport + (window.row + y) * kViewportWidth + window.column;
        for (int x = 0; x < kPanelWidth; ++x)
            destination[x] = blend(destination[x], kPanelTint, panel[y * kPanelWidth + x] & 0xFF);
    }
}

}  // namespace

void prepare() {
    logoImage = blankImage(kLogoSize * kLogoSize);
    drawEmblemCurve(logoImage.get());
    shadeEdges(logoImage.get(), kLogoSize, kLogoSize);
    colourEmblem(logoImage.get());
    creditsCode = makePanel("Code: ", "Korvanisk ", 96);
    creditsMusic = makePanel("Music: ", "ZUMPA  ", 128);
    creditsAnimation = makePanel("Animation: ", "XK7  ", 128);
}

void drawFrame(float t) {
    if (viewport == nullptr) return;
    PlasmaFrame plasma;
    preparePlasma(plasma, t);
    const int offset = logoImage ? emblemOffset(t) : 0;
    // Each band of plasma rows draws its two viewport rows per plasma row
    // whole: the white ground, the plasma, the emblem, then the panel.
    workerPool().forBands(kViewportHeight / 2, [&](int first, int last) {
        std::fill(viewport + 2 * first * kViewportWidth, viewport + 2 * last * kViewportWidth, 0xFFFFFFu);
        for (int r = first; r < last; ++r) drawPlasmaRow(plasma, r);
        if (logoImage) drawEmblemRows(offset, 2 * first, 2 * last);
        for (const PanelWindow& window : panelWindows)
            if (window.image && t > window.from && t < window.to) drawPanelRows(window, 2 * first, 2 * last);
    });
}

void teardown() {
    logoImage.reset();
    creditsCode.reset();
    creditsMusic.reset();
    creditsAnimation.reset();
}

}  // namespace scene3
