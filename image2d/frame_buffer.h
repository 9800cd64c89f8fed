#pragma once
// The software frame buffer every pixel of the show is computed into:
// 640x480 words 0x00RRGGBB, rows of 2560 bytes, top row first. The scenes draw
// into the Viewport, its 640x288 middle from row 96; rows 0..95 and 384..479
// are the bars.
#include <cstdint>

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kViewportTop = 96;
constexpr int kViewportRows = 288;
constexpr int kLowerBarTop = kViewportTop + kViewportRows;  // 384

// Set by the application shell when it allocates the frame buffer; null before and after.
extern std::uint32_t* frameBuffer;
extern std::uint32_t* viewport;  // frameBuffer + 96 rows
