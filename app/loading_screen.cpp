// Placeholder until the loading screen lands.
#include "app/loading_screen.h"

#include <cstring>

#include "app/presentation.h"
#include "image2d/frame_buffer.h"

void buildLoadingImage() {}

void drawLoadingFrame(float) { std::memset(viewport, 0, sizeof(std::uint32_t) * kFrameWidth * kViewportRows); }

void drawThumbnail() { presentBars(frameBuffer); }

void freeLoadingImage() {}
