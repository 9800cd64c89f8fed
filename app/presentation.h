#pragma once
// The two presentation routines of the shell, set when the frame buffer is
// allocated: the viewport rows every frame, the bar rows when they change.
// Each returns false when the screen could not take the frame (not counted).
#include <cstdint>

using PresentViewportFn = bool (*)(const std::uint32_t* viewportPixels);
using PresentBarsFn = bool (*)(const std::uint32_t* frameBufferPixels);

extern PresentViewportFn presentViewport;
extern PresentBarsFn presentBars;
