#pragma once
// A camera-facing disc that looks like a polished, lit ball: each pixel takes
// its normal from a 128x128 hemisphere map, is lit by the lights and mirrors
// the environment map. One pixel in four is computed (every second column of
// every second row); the rest is copied and averaged.
#include <cstdint>

#include "render3d/light_set.h"
#include "render3d/matrix3.h"
#include "render3d/projection.h"
#include "render3d/scene_object.h"
#include "render3d/vector3.h"

class FrustumClipper;

constexpr int kSphereMapSide = 128;

// The hemisphere texture: normals of length 256 pointing into the screen and
// towards the disc's centre, and a mask that is 1..255 inside the disc of
// radius 64 around texel (64, 64) and 0 outside it. Load time only.
void buildSphereMaps(Vector3* normalMap, std::uint8_t* mask);

class SphereSprite : public SceneObject {
public:
    FrustumClipper* clipper = nullptr;  // borrowed
    float size = 345.0f;                // diameter in world units
    const std::uint8_t* mask = nullptr;  // 128x128, borrowed
    const Vector3* normalMap = nullptr;  // 128x128, borrowed
    const std::uint32_t* envMap = nullptr;  // 256x256, borrowed
    // Per draw.
    std::int16_t screenLeft = 0;
    std::int16_t screenTop = 0;
    std::uint16_t texStep = 0;     // 1/256 texel per pixel
    Matrix3 viewToWorld;           // the camera rotation, transposed
    LitPoint litCentre;            // the lights as seen from the ball's centre (set by draw, used by the spans)
    Vector3 viewRay;               // world space, length 256, through the sprite's top-left corner
    float projectionFactor = 256.0f;

    SphereSprite();

    float depth(const Camera& camera) override;
    void draw(std::uint32_t* viewport, Camera& camera, LightSet& lightSet) override;

    // Scans every second row of a clipped camera-space triangle; each scanned
    // row fills itself and the row below. A vertex nearer than 64 refuses it.
    void SphereTriangle(std::uint32_t* viewport, const Vector3& va, const Vector3& vb, const Vector3& vc);
    // Pixels x0 .. x1 - 1 of rows y and y + 1. Its odd pixels copy and average
    // their left neighbours, which reaches one and two pixels before x0: in the
    // contiguous frame buffer that is the previous row's end (for row 0, the
    // bar above the viewport). Rows outside 0..286 are skipped and the span is
    // kept to columns 0..639, so every access stays between the row above the
    // viewport and the viewport's last row.
    void SphereSpan(std::uint32_t* viewport, int x0, int x1, int y);

private:
    // Rows first .. last - 1 of sorted triangle points: the odd rows of each
    // part, each filling the row below too.
    void scanPairs(std::uint32_t* viewport, const ScreenPoint (&points)[3], int first, int last);
    // SphereSpan writing only the upper row, the lower one, or both.
    void spanRows(std::uint32_t* viewport, int x0, int x1, int y, bool upperRow, bool lowerRow);
    std::uint32_t litPixel(int texel) const;
};
