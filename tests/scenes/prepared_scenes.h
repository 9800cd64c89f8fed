#pragma once
// A test fixture with a frame buffer of its own and scenes 1 and 2 prepared
// and set up as the loading sequence leaves them; everything is released
// again afterwards, as the shutdown does.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"
#include "scenes/scenes.h"

class PreparedScenes : public ::testing::Test {
protected:
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(kFrameWidth * kFrameHeight, 0u);
    std::uint32_t* const savedFrameBuffer = frameBuffer;
    std::uint32_t* const savedViewport = viewport;

    void SetUp() override {
        frameBuffer = frame.data();
        viewport = frame.data() + kViewportTop * kFrameWidth;
        scene1::prepare();
        scene2::prepare();
        sharedSetUp();
    }
    void TearDown() override {
        scene1::teardown();
        scene2::teardown();
        releaseShared();
        frameBuffer = savedFrameBuffer;
        viewport = savedViewport;
    }
    std::uint32_t at(int x, int y) const { return viewport[y * kFrameWidth + x]; }
};
