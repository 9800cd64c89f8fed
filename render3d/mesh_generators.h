#pragma once
// The procedural shapes. Each clears and allocates the mesh and leaves it visible.
#include "render3d/mesh.h"

// 8 vertices, 12 faces, 6 centres; half extents hx, hy, hz.
void makeBox(Mesh& mesh, float hx, float hy, float hz);
// Around the z axis: ring radius c, tube half-thickness a (radial) and b (along z).
// 128 vertices, 256 faces, 256 centres.
void makeTorus(Mesh& mesh, float a, float b, float c);
// A closed tube along x of length 7a, radius swelling between 0.5b and 1.5b at rate c.
// 66 vertices, 128 faces, 128 centres.
void makeTube(Mesh& mesh, float a, float b, float c);
