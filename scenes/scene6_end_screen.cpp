// The end screen: three lines of block lettering on mid grey, the same on
// every frame until the show quits.
#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"
#include "scenes/scenes.h"

namespace scene6 {

void prepare() {}

void drawFrame(float) {
    if (viewport == nullptr) return;
    for (int i = 0; i < kViewportWidth * kViewportHeight; ++i) viewport[i] = 0x808080;
    // A line feed returns to column 0, so only the first line is indented.
    setTextCursor(160, 132);
    drawString(viewport, "hier had iets kunnen komen\nals we tijd hadden\npress a key", 16);
}

void teardown() {}

}  // namespace scene6
