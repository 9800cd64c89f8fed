#include "scenes/scene5_tunnel.h"

#include <algorithm>
#include <string>

#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"
#include "maths/elementary.h"
#include "platform/worker_pool.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scenes.h"
#include "scenes/tunnel_maps.h"

namespace scene5 {

std::int32_t* depthMap = nullptr;
std::int32_t* angleMap = nullptr;
std::uint32_t* greetingsImage = nullptr;

namespace {

constexpr int kGreetingsPixels = kGreetingsWidth * kGreetingsHeight;
constexpr int kNameHeight = 64;  // 32 pixels per character

// The names page outlives the scene's teardown; it is freed when the process exits.
struct GreetingsOwner {
    ~GreetingsOwner() {
        delete[] greetingsImage;
        greetingsImage = nullptr;
    }
} greetingsOwner;

struct Greeting {
    const char* text;
    int column;
    int row;
};

// Written in this order, each over the whole box of the ones before. A name
// wider than the room to the right edge carries on at the start of the rows
// below, since the page is written by linear index.
constexpr Greeting kGreetings[8] = {
    {" 2000   ", 256, 191},   {"Vortel ", 0, 192}, {" ", 256, 128},       {"Palisandr ", 0, 128},
    {"moonbrake ", 256, 64}, {" Ruxen ", 0, 64},  {"Olvinor ", 256, 0}, {"Tesmark ", 0, 0},
};

constexpr bool namesFitOnPage() {
    for (const Greeting& g : kGreetings) {
        const int width = static_cast<int>(std::char_traits<char>::length(g.text)) * kNameHeight / 2;
        const int last = (g.row + kNameHeight - 1) * kGreetingsWidth + g.column + width - 1;
        if (last >= kGreetingsPixels) return false;
    }
    return true;
}
static_assert(namesFitOnPage(), "every name stays inside the page");

void writeGreetings() {
    // Where no name lands the page must be black.
    if (greetingsImage == nullptr) greetingsImage = new std::uint32_t[kGreetingsPixels]();
    else std::fill_n(greetingsImage, kGreetingsPixels, 0u);
    for (const Greeting& g : kGreetings)
        rasteriseText(greetingsImage + g.row * kGreetingsWidth + g.column, g.text, kGreetingsWidth, kNameHeight);
    shadeEdges(greetingsImage, kGreetingsWidth, kGreetingsHeight);
}

// The texture turns around every disc at 1/16 row per ms and streams along
// the tunnel at 1/4 column per ms; far discs are bright, the farthest black.
// Only the odd pixels of odd rows are drawn; the fill-in does the rest.
void drawTunnel(float t) {
    if (depthMap == nullptr || angleMap == nullptr || plasmaImage == nullptr) return;
    const int turn = static_cast<int>(t * -0.0625);
    const int stream = static_cast<int>(t * -0.25);
    workerPool().forBands(kMapHeight, [&](int firstRow, int lastRow) {
        for (int r = firstRow; r < lastRow; ++r) {
            std::uint32_t* row = viewport + (2 * r + 1) * kViewportWidth + 1;
            const int first = r * kMapWidth;
            for (int j = 0; j < kMapWidth; ++j) {
                const std::int32_t d = depthMap[first + j];
                if (d == kNoDisc) continue;
                const int u = (angleMap[first + j] - turn) & 255;
                const int v = (d - stream) & 255;
                row[2 * j] = blend(0u, plasmaImage[u * kPlasmaSize + v], static_cast<std::uint32_t>(d >> 5));
            }
        }
    });
}

// The names page, wrapping both ways, waved by up to 32 pixels: sideways by
// row and up and down by column. It covers the drawn pixels of rows 1..285
// and columns 1..637; the last drawn row and column get no names.
void addGreetings(float t) {
    if (greetingsImage == nullptr) return;
    constexpr int kRows = kMapHeight - 1;
    constexpr int kColumns = kMapWidth - 1;
    const float pf = static_cast<float>(t * 0.0036630036775022745);
    const float pr = static_cast<float>(t * 0.0044843051582574844);
    int upDown[kColumns];
    for (int j = 0; j < kColumns; ++j)
        upDown[j] = static_cast<int>(-32.0 * maths::sin((2 * j + 1) * 0.02358490566037736 + pf));
    workerPool().forBands(kRows, [&](int first, int last) {
        for (int r = first; r < last; ++r) {
            const int sideways = static_cast<int>(-32.0 * maths::sin((2 * r + 1) * 0.019083969465648856 + pr));
            const int y = 2 * r + 1;
            for (int j = 0; j < kColumns; ++j) {
                const int x = 2 * j + 1;
                const std::uint32_t c = greetingsImage[((y - upDown[j]) & (kGreetingsHeight - 1)) * kGreetingsWidth +
                                                       ((x - sideways) & (kGreetingsWidth - 1))];
                addPixel(viewport, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), c);
            }
        }
    });
}

// Fills the three other pixels of every 2x2 block from the drawn ones, as a
// pass in linear order would. The first block row reads the upper bar's last
// row, and the first pixel of an odd row reads the last pixel of the row
// above, which such a pass reaches only later: both are black here. The even
// rows read the odd row above, finished by the row before; so the odd rows are
// completed first, all of them, and then the even rows, each step by bands.
void fillIn() {
    std::uint32_t* const p = viewport;
    workerPool().forBands(kMapHeight, [&](int first, int last) {
        for (int r = first; r < last; ++r) {
            const int odd = (2 * r + 1) * kViewportWidth;
            for (int x = 0; x < kViewportWidth; x += 2) p[odd + x] = average(p[odd + x - 1], p[odd + x + 1]);
        }
    });
    workerPool().forBands(kMapHeight, [&](int first, int last) {
        for (int r = first; r < last; ++r) {
            const int above = (2 * r - 1) * kViewportWidth;
            const int even = 2 * r * kViewportWidth;
            const int odd = (2 * r + 1) * kViewportWidth;
            for (int x = 0; x < kViewportWidth; x += 2) {
                p[even + x + 1] = average(p[odd + x + 1], p[above + x + 1]);
                p[even + x] = average(p[above + x], p[odd + x]);
            }
        }
    });
}

}  // namespace

void prepare() {
    if (depthMap == nullptr) depthMap = new std::int32_t[kMapPixels];
    if (angleMap == nullptr) angleMap = new std::int32_t[kMapPixels];
    writeGreetings();
    const TunnelMaps maps{depthMap, angleMap};
    clearTunnelMaps(maps);
    stampTunnelDiscs(maps, kFarthestDepth, kNearestDepth);
}

void drawFrame(float t) {
    std::fill_n(viewport, kViewportWidth * kViewportHeight, 0u);
    drawTunnel(t);
    if (8076.0f < t && t < 16152.0f) addGreetings(t);
    fillIn();
}

void teardown() {
    delete[] depthMap;
    delete[] angleMap;
    depthMap = nullptr;
    angleMap = nullptr;
}

}  // namespace scene5
