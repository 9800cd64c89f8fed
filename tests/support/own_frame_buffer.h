#pragma once
// A frame buffer of a test's own: frameBuffer and viewport point into it while
// it lives, and get their earlier values back when it goes.
#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"

class OwnFrameBuffer {
public:
    explicit OwnFrameBuffer(std::uint32_t fill = 0) : pixels(kFrameWidth * kFrameHeight, fill) {
        frameBuffer = pixels.data();
        viewport = pixels.data() + kViewportTop * kFrameWidth;
    }
    ~OwnFrameBuffer() {
        frameBuffer = savedFrameBuffer_;
        viewport = savedViewport_;
    }
    OwnFrameBuffer(const OwnFrameBuffer&) = delete;
    OwnFrameBuffer& operator=(const OwnFrameBuffer&) = delete;

    std::vector<std::uint32_t> pixels;

private:
    std::uint32_t* const savedFrameBuffer_ = frameBuffer;
    std::uint32_t* const savedViewport_ = viewport;
};
