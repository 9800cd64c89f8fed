#include "scenes/figure_builder.h"

#include <cmath>
#include <cstddef>

#include "image2d/pixel_ops.h"
#include "platform/resources.h"

namespace {

struct ShapePoint {
    short x, y, z;
};

// A triangle (count 3) or a quad (count 4, added as (a, b, c) and (c, d, a)).
struct ShapeFace {
    unsigned char count;
    unsigned char v[4];
};

struct ShapeDef {
    const ShapePoint* points;
    int pointCount;
    const ShapeFace* faces;
    int faceCount;
};

constexpr ShapePoint kPrismPoints[] = {{48, 16, 32}, {0, 16, 32},  {0, 16, 128},
                                       {48, -16, 32}, {0, -16, 32}, {0, -16, 128}};
constexpr ShapePoint kWedgePoints[] = {{0, 48, -32},  {-48, 48, -32},  {0, 40, 144},
                                       {0, -48, -32}, {-48, -48, -32}, {0, -40, 144}};
// Prism and wedge share their faces; both stay open at their far end (0, 1, 4, 3).
constexpr ShapeFace kPrismFaces[] = {{3, {0, 1, 2}}, {3, {5, 4, 3}}, {4, {2, 1, 4, 5}}, {4, {5, 3, 0, 2}}};

constexpr ShapePoint kSegmentPoints[] = {{16, 16, 40},   {-16, 16, 40},   {-32, 32, 64}, {-16, 16, 88}, {16, 16, 88},
                                         {32, 32, 64},   {16, -16, 40},   {-16, -16, 40}, {-32, -32, 64},
                                         {-16, -16, 88}, {16, -16, 88},   {32, -32, 64}, {0, -128, 64}};
constexpr ShapeFace kSegmentFaces[] = {
    {4, {0, 1, 2, 5}},  {4, {2, 3, 4, 5}},   {4, {1, 7, 8, 2}},   {4, {2, 8, 9, 3}},   {4, {0, 5, 11, 6}},
    {4, {5, 4, 10, 11}}, {3, {7, 6, 12}},    {3, {8, 7, 12}},     {3, {9, 8, 12}},     {3, {10, 9, 12}},
    {3, {11, 10, 12}},   {3, {6, 11, 12}}};

constexpr ShapePoint kPelvisPoints[] = {{-48, 48, 64},  {48, 48, 64},   {64, 16, 16}, {0, 32, -32}, {-64, 16, 16},
                                        {-48, -32, 64}, {48, -32, 64}, {64, -16, 16}, {0, -32, -32}, {-64, -16, 16}};
constexpr ShapePoint kShoulderPoints[] = {{32, -8, 64},  {48, 0, 128},  {32, 32, 96}, {-32, -8, 64},
                                          {-48, 0, 128}, {-32, 32, 96}, {0, -96, 256}};
constexpr ShapePoint kTorsoPoints[] = {{-16, 16, 128}, {16, 16, 128}, {40, 48, 80},   {32, 24, 16},
                                       {-32, 24, 16},  {-40, 48, 80}, {-8, -16, 112}, {8, -16, 112},
                                       {40, -16, 48},  {32, -16, 16}, {-32, -16, 16}, {-40, -16, 48}};
constexpr ShapePoint kHeadPoints[] = {{-48, -64, 48}, {-64, 64, 64}, {-48, 72, -56}, {-40, 0, -64}, {-64, -64, -64},
                                      {48, -64, 48},  {64, 64, 64},  {48, 72, -56},  {40, 0, -64},  {64, -64, -64},
                                      {0, 255, 32},   {-160, 69, 128}, {160, 96, 128}};
constexpr ShapeFace kHeadFaces[] = {
    {3, {4, 0, 3}},  {3, {8, 5, 9}},  {4, {0, 4, 9, 5}}, {4, {8, 9, 4, 3}}, {4, {1, 0, 5, 6}},
    {3, {2, 1, 10}}, {3, {6, 7, 10}}, {3, {7, 2, 10}},   {3, {1, 6, 10}},   {3, {3, 0, 11}},
    {3, {2, 3, 11}}, {3, {1, 2, 11}}, {3, {0, 1, 11}},   {3, {6, 5, 12}},   {3, {7, 6, 12}},
    {3, {8, 7, 12}}, {3, {5, 8, 12}}};

template <std::size_t P, std::size_t F>
constexpr ShapeDef shapeOf(const ShapePoint (&points)[P], const ShapeFace (&faces)[F]) {
    return {points, static_cast<int>(P), faces, static_cast<int>(F)};
}
template <std::size_t P>
constexpr ShapeDef shapeOf(const ShapePoint (&points)[P]) {
    return {points, static_cast<int>(P), nullptr, 0};
}

const ShapeDef& shapeDef(FigureShape shape) {
    static constexpr ShapeDef kPrism = shapeOf(kPrismPoints, kPrismFaces);
    static constexpr ShapeDef kWedge = shapeOf(kWedgePoints, kPrismFaces);
    static constexpr ShapeDef kSegment = shapeOf(kSegmentPoints, kSegmentFaces);
    static constexpr ShapeDef kPelvis = shapeOf(kPelvisPoints);
    static constexpr ShapeDef kShoulder = shapeOf(kShoulderPoints);
    static constexpr ShapeDef kTorso = shapeOf(kTorsoPoints);
    static constexpr ShapeDef kHead = shapeOf(kHeadPoints, kHeadFaces);
    switch (shape) {
        case FigureShape::prism: return kPrism;
        case FigureShape::wedge: return kWedge;
        case FigureShape::segment: return kSegment;
        case FigureShape::pelvis: return kPelvis;
        case FigureShape::shoulder: return kShoulder;
        case FigureShape::torso: return kTorso;
        case FigureShape::head: return kHead;
    }
    return kHead;  // every shape is named above
}

constexpr int kPoseResources[kFigurePoses] = {105, 104, 106, 107, 108};

// Bytes past the end of a resource read as 0, so a short resource cannot be read out of bounds.
int resourceByte(const ResourceData& data, std::size_t index) {
    return index < data.size ? data.data[index] : 0;
}

int signedByte(int byte) { return byte < 128 ? byte : byte - 256; }

// The local point p scaled by u, turned by m and moved to b.
Vector3 placePoint(const Matrix3& m, const Vector3& b, double u, double px, double py, double pz) {
    Vector3 q(static_cast<float>(px * u), static_cast<float>(py * u), static_cast<float>(pz * u));
    q.transform(m);
    q.add(b);
    return q;
}

void addBone(Mesh& mesh, const Vector3& a, const Vector3& b, float roll, const ShapeDef& shape, bool pelvis) {
    const float length = b.distance(a);
    Matrix3 m;
    boneRotation(a, b, roll, m);
    // The pelvis is measured in 96ths of its bone, every other solid in 128ths.
    const double u = pelvis ? length * 0.010416666977107525 : length / 128.0;
    const std::uint32_t first = mesh.vertexCount;
    for (int i = 0; i < shape.pointCount; ++i) {
        const ShapePoint& p = shape.points[i];
        const Vector3 q = placePoint(m, b, u, p.x, p.y, p.z);
        mesh.addVertex(q.x, q.y, q.z);
    }
    for (int i = 0; i < shape.faceCount; ++i) {
        const ShapeFace& f = shape.faces[i];
        if (f.count == 3) {
            mesh.addTriangle(first + f.v[0], first + f.v[1], first + f.v[2]);
        } else {
            mesh.addQuad(first + f.v[0], first + f.v[1], first + f.v[2], first + f.v[3]);
        }
    }
}

void addSkin(Mesh& mesh) {
    const ResourceData skin = findResource(kSkinResource);
    for (int i = 0; i < kSkinTriangles; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 3;
        mesh.addTriangle(resourceByte(skin, at), resourceByte(skin, at + 1), resourceByte(skin, at + 2));
    }
}

}  // namespace

const FigureBone figureBones[kFigureBones] = {
    {0, 1, FigureShape::pelvis},    {1, 2, FigureShape::torso},     {2, 4, FigureShape::shoulder},
    {2, 5, FigureShape::shoulder},  {4, 6, FigureShape::segment},   {5, 7, FigureShape::segment},
    {6, 8, FigureShape::segment},   {7, 9, FigureShape::segment},   {8, 12, FigureShape::wedge},
    {8, 10, FigureShape::prism},    {9, 13, FigureShape::wedge},    {9, 11, FigureShape::prism},
    {0, 14, FigureShape::segment},  {0, 15, FigureShape::segment},  {14, 16, FigureShape::segment},
    {15, 17, FigureShape::segment}, {16, 18, FigureShape::wedge},   {17, 19, FigureShape::wedge},
    {2, 3, FigureShape::head}};

int shapePointCount(FigureShape shape) { return shapeDef(shape).pointCount; }

int figurePoseResource(int pose) { return pose >= 0 && pose < kFigurePoses ? kPoseResources[pose] : 0; }

void loadFigureJoints(int pose, Vector3 joints[kFigureJoints]) {
    const ResourceData data = findResource(figurePoseResource(pose));
    for (int k = 0; k < kFigureJoints; ++k) {
        const std::size_t at = static_cast<std::size_t>(k) * 4;
        const int x = signedByte(resourceByte(data, at));
        const int y = signedByte(resourceByte(data, at + 1));
        const int z = signedByte(resourceByte(data, at + 2));
        const int roll = signedByte(resourceByte(data, at + 3));
        joints[k].set(static_cast<float>(x * 1.1), static_cast<float>(y), static_cast<float>(z));
        joints[k].tag = static_cast<unsigned int>(2 * roll + 512);
    }
}

void boneRotation(const Vector3& a, const Vector3& b, float roll, Matrix3& m) {
    // d runs from a to b: with the rotation transposed below, local +z then
    // points from b back towards a, the way the solids are laid out.
    Vector3 d = b;
    d.sub(a);
    const float horizontal =
        static_cast<float>(std::sqrt(static_cast<double>(d.x) * d.x + static_cast<double>(d.z) * d.z));
    const float yaw = angleOf(-d.z, d.x);
    const float pitch = angleOf(horizontal, -d.y);
    m.setRotation(yaw, pitch, roll);
    m.transposeInPlace();
}

Vector3 placeBonePoint(const Vector3& a, const Vector3& b, float roll, double u, float px, float py, float pz) {
    Matrix3 m;
    boneRotation(a, b, roll, m);
    return placePoint(m, b, u, px, py, pz);
}

void buildFigure(Mesh& mesh, int pose) {
    mesh.clear();
    mesh.allocate(512, 512, 512);
    Vector3 joints[kFigureJoints];
    loadFigureJoints(pose, joints);
    for (const FigureBone& bone : figureBones) {
        const float roll = static_cast<float>(joints[bone.b].tag);
        addBone(mesh, joints[bone.a], joints[bone.b], roll, shapeDef(bone.shape), bone.shape == FigureShape::pelvis);
    }
    addSkin(mesh);
    for (int i = 0; i < 512; ++i) mesh.vertexNormals[i].setLength(256.0f);
    mesh.visible = 1;
}
