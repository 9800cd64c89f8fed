#pragma once
// A test fixture with a frame buffer of its own and scenes 1 and 2 (and any
// later scenes a test adds) prepared and set up as the loading sequence leaves
// them; everything is released again afterwards, as the shutdown does.
#include <gtest/gtest.h>

#include <cstdint>

#include "image2d/frame_buffer.h"
#include "scenes/scenes.h"
#include "tests/support/own_frame_buffer.h"

class PreparedScenes : public ::testing::Test {
protected:
    OwnFrameBuffer frame;

    void SetUp() override {
        scene1::prepare();
        scene2::prepare();
        prepareLaterScenes();
        sharedSetUp();
    }
    void TearDown() override {
        scene1::teardown();
        scene2::teardown();
        tearDownLaterScenes();
        releaseShared();
    }
    // Later scenes, prepared after scene 2 and before the shared set-up, and
    // torn down after scene 2, in the order of the loading and the shutdown.
    virtual void prepareLaterScenes() {}
    virtual void tearDownLaterScenes() {}
    std::uint32_t at(int x, int y) const { return viewport[y * kFrameWidth + x]; }
};
