#include "scenes/pose_blending.h"

#include <algorithm>
#include <cstdint>

namespace {

void negateX(Vector3* v, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) v[i].x = -v[i].x;
}

void blendArray(Vector3* target, const Vector3* from, const Vector3* to, std::uint32_t count, double w) {
    const double keep = 1.0 - w;
    for (std::uint32_t i = 0; i < count; ++i) {
        target[i].x = static_cast<float>(keep * from[i].x + w * to[i].x);
        target[i].y = static_cast<float>(keep * from[i].y + w * to[i].y);
        target[i].z = static_cast<float>(keep * from[i].z + w * to[i].z);
    }
}

}  // namespace

void mirrorX(Mesh& mesh) {
    negateX(mesh.vertices, mesh.vertexCount);
    negateX(mesh.vertexNormals, mesh.vertexCount);
    negateX(mesh.faceNormals, mesh.centreCount);
    negateX(mesh.faceCentres, mesh.centreCount);
}

void blendPoses(Mesh& target, const Mesh& from, const Mesh& to, double w) {
    // Counted by from, but never past what the other two meshes hold.
    const std::uint32_t vertices = std::min({from.vertexCount, to.vertexCount, target.vertexCapacity});
    const std::uint32_t centres = std::min({from.centreCount, to.centreCount, target.centreCapacity});
    blendArray(target.vertices, from.vertices, to.vertices, vertices, w);
    blendArray(target.vertexNormals, from.vertexNormals, to.vertexNormals, vertices, w);
    blendArray(target.faceNormals, from.faceNormals, to.faceNormals, centres, w);
    blendArray(target.faceCentres, from.faceCentres, to.faceCentres, centres, w);
}
