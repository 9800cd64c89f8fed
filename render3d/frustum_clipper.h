#pragma once
// Clips camera-space polygons against the near plane z = 64 and the four planes
// through the eye and the viewport edges (rows kept to 1..287). Each plane is a
// pair of mirror points: inside is at least as close to the inside point.
// Vertex colours (tags) are blended at new vertices. No allocation per call.
#include <cstdint>

#include "render3d/vector3.h"

class FrustumClipper {
public:
    static constexpr int kMaxPolygon = 16;  // vertices a polygon may have
    static constexpr int kBufferSize = 32;  // current polygon, then one plane's output
    static constexpr int kMaxPlanes = 8;

    Vector3* buffer = nullptr;         // kBufferSize entries
    Vector3* insidePoints = nullptr;   // kMaxPlanes entries
    Vector3* outsidePoints = nullptr;  // kMaxPlanes entries
    std::uint32_t planeCount = 0;
    Vector3 currentInside;
    Vector3 currentOutside;

    FrustumClipper() = default;
    FrustumClipper(const FrustumClipper&) = delete;
    FrustumClipper& operator=(const FrustumClipper&) = delete;
    virtual ~FrustumClipper() { release(); }

    // Allocates the arrays (once) and sets up the five planes for a projection factor.
    void build(float factor);
    // Frees the arrays, no planes left; a second call does nothing.
    void release();

    // Returns the vertex count of the clipped polygon (below 3: nothing left);
    // polygonOut points at it, valid until the next call. An unbuilt clipper returns 0.
    int clipTriangle(Vector3 va, Vector3 vb, Vector3 vc, Vector3*& polygonOut);
    // The square of side size around centre in the plane z = centre.z, every
    // corner with the centre's tag.
    int clipSquare(Vector3 centre, float size, Vector3*& polygonOut);

    // The plane through the eye and the edge a-b, into currentInside/currentOutside.
    void makePlane(const Vector3& a, const Vector3& b);
    bool isInside(const Vector3& p) const;
    // Where segment a->b meets the current plane, its colour blended from a's towards b's.
    Vector3 intersect(const Vector3& a, const Vector3& b) const;
    // Clips buffer[0 .. count-1] against the current plane.
    void clipCurrent(int& count);

private:
    int clipLoaded(int count, Vector3*& polygonOut);
};
