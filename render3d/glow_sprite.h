#pragma once
// A camera-facing square of light: a 64x64 intensity map added to the picture
// in one colour, each channel saturating. The texture is addressed by screen
// position, so it stays upright whatever the camera roll.
#include <cstdint>

#include "render3d/scene_object.h"

class FrustumClipper;

class GlowSprite : public SceneObject {
public:
    std::uint32_t colour = 0xff00ff;
    float size = 64.0f;                          // side of the square in world units
    const std::uint8_t* intensityMap = nullptr;  // 64x64, row-major, 0 = transparent; borrowed
    FrustumClipper* clipper = nullptr;           // borrowed
    // Per draw: texture step in 1/256 texel per pixel, and where the texture's
    // top-left corner falls in the viewport.
    std::uint16_t texStep = 0;
    std::int16_t screenLeft = 0;
    std::int16_t screenTop = 0;

    GlowSprite();

    float depth(const Camera& camera) override;
    // The lights play no part.
    void draw(std::uint32_t* viewport, Camera& camera, LightSet& lights) override;

    // A clipped camera-space triangle of the square; a vertex nearer than 64 refuses it.
    void SpriteTriangle(std::uint32_t* viewport, const Vector3& va, const Vector3& vb, const Vector3& vc, float factor);
    // Pixels x0 .. x1 - 1 of viewport row y.
    void SpriteSpan(std::uint32_t* viewport, int x0, int x1, int y);
};
