#pragma once
// The articulated figure: a skeleton of 20 joints read from a pose resource,
// 19 bones, a small solid per bone turned to the bone's direction and roll, and
// a fixed skin of triangles from resource 103 that stitches the solids into one
// body. Every pose is built by the same bones in the same order, so all figure
// meshes share their faces and vertex order and can be blended vertex by vertex.
#include "render3d/matrix3.h"
#include "render3d/mesh.h"
#include "render3d/vector3.h"

constexpr int kFigureJoints = 20;
constexpr int kFigureBones = 19;
constexpr int kFigurePoses = 5;
constexpr int kFigureVertices = 189;
constexpr int kFigureShapeFaces = 200;
constexpr int kSkinTriangles = 174;
constexpr int kFigureFaces = kFigureShapeFaces + kSkinTriangles;
constexpr int kPoseResourceSize = kFigureJoints * 4;
constexpr int kSkinResourceSize = kSkinTriangles * 3;

enum class FigureShape { prism, wedge, segment, pelvis, shoulder, torso, head };

// A bone runs from its parent joint a to its child joint b; its solid's local z
// runs from b (z = 0) towards a (z = 128 u, u = length / 128).
struct FigureBone {
    int a;
    int b;
    FigureShape shape;
};

extern const FigureBone figureBones[kFigureBones];

// The number of local points of a shape (its vertices in the figure mesh).
int shapePointCount(FigureShape shape);

// The resource holding pose 0..4 (0 -> 105, 1 -> 104, 2 -> 106, 3 -> 107, 4 -> 108).
int figurePoseResource(int pose);

// The joints of a pose: position (x scaled by 1.1), tag = roll angle 2 x code + 512.
void loadFigureJoints(int pose, Vector3 joints[kFigureJoints]);

// The rotation that turns a solid's local axes onto the bone from a to b with
// the given roll (local z from b towards a); local points are row vectors.
void boneRotation(const Vector3& a, const Vector3& b, float roll, Matrix3& m);

// Where the local point (px, py, pz) of a solid lands, for the bone from a to b
// with the given roll, in units u (the shape's unit for this bone length, kept
// in double like every intermediate; only the scaled point is rounded to float).
Vector3 placeBonePoint(const Vector3& a, const Vector3& b, float roll, double u, float px, float py, float pz);

// Rebuilds the mesh completely for pose 0..4: 189 vertices, 374 faces, every
// vertex normal at length 256, visible. Colour, maps, clipper and flags other
// than visible are left to the caller.
void buildFigure(Mesh& mesh, int pose);
