#pragma once
// Mesh operations of the dance: a posed figure mirrored left to right, and a
// vertex-by-vertex blend of two posed figures that share their faces.
#include "render3d/mesh.h"

// Negates x of every vertex and vertex normal in use, and of every face normal
// and face centre in use. Faces are left as they are.
void mirrorX(Mesh& mesh);

// target = (1 - w) x from + w x to, for vertices, vertex normals, face normals
// and face centres, as many as from uses (and as the other two meshes hold).
// Tags, faces and counts of target are left alone; normals are not rescaled.
// The weight is an intermediate of the schedule and stays in double.
void blendPoses(Mesh& target, const Mesh& from, const Mesh& to, double w);
