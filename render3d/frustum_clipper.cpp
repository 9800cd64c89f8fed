#include "render3d/frustum_clipper.h"

#include "image2d/pixel_ops.h"

namespace {
// The near plane z = 64 as the bisector of two mirror points.
const Vector3 kNearInside(0.0f, 0.0f, 1088.0f);
const Vector3 kNearOutside(0.0f, 0.0f, -960.0f);
// Half the viewport at depth factor. Vertically 143, not 144: clipped geometry
// then projects to rows 1..287, and as the bottom row of a triangle is never
// drawn, meshes leave rows 0 and 287 alone.
constexpr float kHalfWidth = 320.0f;
constexpr float kHalfHeight = 143.0f;

double dot(const Vector3& a, const Vector3& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z;
}

double squaredDistance(const Vector3& a, const Vector3& b) {
    const double dx = static_cast<double>(a.x) - b.x, dy = static_cast<double>(a.y) - b.y,
                 dz = static_cast<double>(a.z) - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// The blend weight trunc(t * 256) of an intersection on a->b. t reaches 1 when b
// lies on the plane; 256 would act as 0 and give the point a's colour instead
// of b's, so the weight stops at 255.
std::uint32_t weight(double t256) {
    if (!(t256 > 0.0)) return 0;
    if (t256 >= 255.0) return 255;
    return static_cast<std::uint32_t>(static_cast<int>(t256));
}
}  // namespace

void FrustumClipper::build(float factor) {
    if (buffer == nullptr) {
        buffer = new Vector3[kBufferSize];
        insidePoints = new Vector3[kMaxPlanes];
        outsidePoints = new Vector3[kMaxPlanes];
    }
    insidePoints[0] = kNearInside;
    outsidePoints[0] = kNearOutside;
    const Vector3 corners[4] = {Vector3(kHalfWidth, -kHalfHeight, factor), Vector3(kHalfWidth, kHalfHeight, factor),
                                Vector3(-kHalfWidth, kHalfHeight, factor), Vector3(-kHalfWidth, -kHalfHeight, factor)};
    for (int i = 0; i < 4; ++i) {
        makePlane(corners[i], corners[(i + 1) % 4]);
        insidePoints[i + 1] = currentInside;
        outsidePoints[i + 1] = currentOutside;
    }
    planeCount = 5;
}

void FrustumClipper::release() {
    delete[] buffer;
    delete[] insidePoints;
    delete[] outsidePoints;
    buffer = insidePoints = outsidePoints = nullptr;
    planeCount = 0;
}

void FrustumClipper::makePlane(const Vector3& a, const Vector3& b) {
    const Vector3 mid(static_cast<float>((static_cast<double>(a.x) + b.x) / 2),
                      static_cast<float>((static_cast<double>(a.y) + b.y) / 2),
                      static_cast<float>((static_cast<double>(a.z) + b.z) / 2));
    Vector3 edge = b;
    edge.sub(a);
    Vector3 n;
    n.faceNormal(Vector3(0.0f, 0.0f, 0.0f), mid, edge);  // edge x mid, pointing away from the view axis
    currentInside = mid;
    currentInside.sub(n);
    currentOutside = mid;
    currentOutside.add(n);
}

bool FrustumClipper::isInside(const Vector3& p) const {
    return squaredDistance(currentInside, p) <= squaredDistance(currentOutside, p);
}

Vector3 FrustumClipper::intersect(const Vector3& a, const Vector3& b) const {
    Vector3 d = b;
    d.sub(a);
    // Q - P is only part of the expression, so it stays in double (D is a point of its own).
    const double qp[3] = {static_cast<double>(currentOutside.x) - currentInside.x,
                          static_cast<double>(currentOutside.y) - currentInside.y,
                          static_cast<double>(currentOutside.z) - currentInside.z};
    const auto dotQp = [&qp](const Vector3& v) { return v.x * qp[0] + v.y * qp[1] + v.z * qp[2]; };
    const float t = static_cast<float>(
        (dot(currentOutside, currentOutside) - dot(currentInside, currentInside) - 2 * dotQp(a)) / (2 * dotQp(d)));
    Vector3 r(static_cast<float>(a.x + static_cast<double>(t) * d.x), static_cast<float>(a.y + static_cast<double>(t) * d.y),
              static_cast<float>(a.z + static_cast<double>(t) * d.z));
    r.tag = blend(a.tag, b.tag, weight(static_cast<double>(t) * 256));
    return r;
}

void FrustumClipper::clipCurrent(int& count) {
    if (count < 3) return;
    if (count > kMaxPolygon) count = kMaxPolygon;  // never read past the current polygon's half
    bool prevInside = isInside(buffer[count - 1]);
    int out = kMaxPolygon;
    for (int i = 0; i < count; ++i) {
        const Vector3& cur = buffer[i];
        const Vector3& prev = buffer[(i + count - 1) % count];
        const bool curInside = isInside(cur);
        // A convex polygon gains at most one vertex per plane; the bound only
        // matters for input that is not convex, whose extra vertices are dropped.
        if (curInside != prevInside && out < kBufferSize) buffer[out++] = intersect(cur, prev);
        if (curInside && out < kBufferSize) buffer[out++] = cur;
        prevInside = curInside;
    }
    count = out - kMaxPolygon;
    for (int i = 0; i < count; ++i) buffer[i] = buffer[kMaxPolygon + i];
}

int FrustumClipper::clipLoaded(int count, Vector3*& polygonOut) {
    for (std::uint32_t plane = 0; plane < planeCount; ++plane) {
        currentInside = insidePoints[plane];
        currentOutside = outsidePoints[plane];
        clipCurrent(count);
    }
    polygonOut = buffer;
    return count;
}

int FrustumClipper::clipTriangle(Vector3 va, Vector3 vb, Vector3 vc, Vector3*& polygonOut) {
    polygonOut = buffer;
    if (buffer == nullptr) return 0;
    buffer[0] = va;
    buffer[1] = vb;
    buffer[2] = vc;
    return clipLoaded(3, polygonOut);
}

int FrustumClipper::clipSquare(Vector3 centre, float size, Vector3*& polygonOut) {
    polygonOut = buffer;
    if (buffer == nullptr) return 0;
    const double h = size / 2.0;
    const double xs[4] = {centre.x - h, centre.x + h, centre.x + h, centre.x - h};
    const double ys[4] = {centre.y - h, centre.y - h, centre.y + h, centre.y + h};
    for (int i = 0; i < 4; ++i) {
        buffer[i] = Vector3(static_cast<float>(xs[i]), static_cast<float>(ys[i]), centre.z, centre.tag);
    }
    return clipLoaded(4, polygonOut);
}
