#pragma once
// The loading screen (the rippling "  <- now loading ->" band) and the
// thumbnail of the viewport in the lower bar, refreshed on the beat.
#include <cstdint>

// Builds the 640x128 loading picture; once, while loading.
void buildLoadingImage();
// The loading picture, rows of 640 pixels; null before it is built.
const std::uint32_t* loadingImagePixels();
// Overwrites the whole viewport with the loading band at time ms; does not present.
void drawLoadingFrame(float time);
// Writes the 160x72 thumbnail of the viewport into the lower bar and, unless
// the frame is not to be shown, presents the bars.
void drawThumbnail(bool present = true);
// Frees the loading picture (at process exit).
void freeLoadingImage();
