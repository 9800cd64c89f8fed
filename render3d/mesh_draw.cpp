// The mesh pipeline: transform everything, order the faces far to near by the
// distance of their centres, drop faces turned away, light the corners, clip,
// and rasterise each remaining polygon as a fan.
#include "render3d/camera.h"
#include "render3d/frustum_clipper.h"
#include "render3d/light_set.h"
#include "render3d/mesh.h"
#include "render3d/row_bands.h"

namespace {
// The triangles of the faces set up so far, drawn together in bands of rows
// (and sooner when the store is full: the order of drawing stays the same).
constexpr int kTriangleStore = 2048;
MeshTriangle triangleStore[kTriangleStore];
int storedTriangles = 0;

// Object space to camera space: turn with the object, move to its place, then
// into the camera's frame. The tag is carried along.
void toView(Vector3& v, const Matrix3& orientation, const Vector3& position, const Camera& camera) {
    v.transform(orientation);
    v.add(position);
    v.sub(camera.position);
    v.transform(camera.rotation);
}
}  // namespace

void Mesh::draw(std::uint32_t* viewport, Camera& camera, LightSet& lights) {
    projectionFactor = camera.factor;
    viewToWorld.copyFrom(camera.rotation);
    viewToWorld.transposeInPlace();
    faceOrder.clear();
    for (std::uint32_t i = 0; i < vertexCount; ++i) {
        worldNormals[i] = vertexNormals[i];
        worldNormals[i].transform(orientation);
    }
    for (std::uint32_t i = 0; i < vertexCount; ++i) {
        viewVertices[i] = vertices[i];
        toView(viewVertices[i], orientation, position, camera);
    }
    for (std::uint32_t i = 0; i < centreCount; ++i) {
        viewCentres[i] = faceCentres[i];
        toView(viewCentres[i], orientation, position, camera);
    }
    const Vector3 eye(0.0f, 0.0f, 0.0f);
    for (std::uint32_t i = 0; i < faceCount; ++i) {
        faceOrder.insert(static_cast<std::int32_t>(i), viewCentres[faces[i].centre].distance(eye));
    }

    if (visible != 1 || clipper == nullptr || (envMapEnabled != 0 && envMap == nullptr)) return;
    const LitPoint lit = lights.at(position);
    for (std::uint32_t j = 0; j < faceOrder.count; ++j) {
        const MeshFace& face = faces[faceOrder.get(j)];
        // Stored normals point into the shape, so a face turned towards the eye
        // has its normal pointing away from it.
        Vector3 towardsFace = viewCentres[face.centre];
        towardsFace.setLength(256.0f);
        Vector3 normal = faceNormals[face.centre];
        normal.transform(orientation);
        normal.transform(camera.rotation);
        if (!(towardsFace.dotScaled(normal) > 0.0f)) continue;

        cornerNormals[0] = worldNormals[face.a];
        cornerNormals[1] = worldNormals[face.b];
        cornerNormals[2] = worldNormals[face.c];
        // Lit at the mesh's own position: only the normal varies across the mesh.
        viewVertices[face.a].tag = LightSet::shade(lit, worldNormals[face.a], colour);
        viewVertices[face.b].tag = LightSet::shade(lit, worldNormals[face.b], colour);
        viewVertices[face.c].tag = LightSet::shade(lit, worldNormals[face.c], colour);

        Vector3* polygon = nullptr;
        const int n = clipper->clipTriangle(viewVertices[face.a], viewVertices[face.b], viewVertices[face.c], polygon);
        // A fan shares the face's three corner normals; the reflective rasteriser
        // leaves them in the order its previous triangle sorted them into.
        for (int k = 1; k + 1 < n; ++k) {
            if (storedTriangles == kTriangleStore) flushTriangles(viewport);
            if (setUpTriangle(polygon[0], polygon[k], polygon[k + 1], camera.factor, envMapEnabled != 0,
                              triangleStore[storedTriangles]))
                ++storedTriangles;
        }
    }
    flushTriangles(viewport);
}

void Mesh::flushTriangles(std::uint32_t* viewport) {
    RowRange rows;
    for (int t = 0; t < storedTriangles; ++t) rows.add(triangleStore[t].points);
    drawRowBands(rows.first, rows.last, [&](int first, int last) {
        for (int t = 0; t < storedTriangles; ++t) drawTriangleRows(viewport, triangleStore[t], first, last);
    });
    storedTriangles = 0;
}
