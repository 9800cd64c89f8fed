#pragma once
// A canvas's ImageData holds R, G, B, A bytes: on little-endian WebAssembly
// that is the word 0xAABBGGRR made from a 0x00RRGGBB pixel.
#include <cstdint>

inline std::uint32_t canvasPixel(std::uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16) | 0xFF000000u;
}
