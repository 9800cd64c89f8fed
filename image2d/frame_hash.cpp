#include "image2d/frame_hash.h"

#include "image2d/frame_buffer.h"

std::uint64_t frameHash(const std::uint32_t* pixels) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto add = [&hash](std::uint32_t byte) {
        hash ^= byte & 0xFF;
        hash *= 0x100000001b3ull;
    };
    for (int i = 0; i < kFrameWidth * kFrameHeight; ++i) {
        add(pixels[i] >> 16);
        add(pixels[i] >> 8);
        add(pixels[i]);
    }
    return hash;
}
