#pragma once
// A triangle mesh: object-space vertices and faces with one centre and normal
// per face (shared by the two triangles of a quad), summed vertex normals, and
// the working arrays that draw() fills every frame. Face normals point into a
// closed shape.
#include <cstdint>

#include "render3d/depth_list.h"
#include "render3d/matrix3.h"
#include "render3d/projection.h"
#include "render3d/scene_object.h"
#include "render3d/vector3.h"

class FrustumClipper;

struct MeshFace {
    std::uint32_t a;
    std::uint32_t b;
    std::uint32_t c;
    std::uint32_t centre;  // index into faceCentres and faceNormals
};

// A fan triangle ready to rasterise: its screen corners sorted top to bottom,
// with their colours and (for the reflective rasteriser) world normals.
struct MeshTriangle {
    ScreenPoint points[3];
    std::uint32_t colours[3];
    Vector3 normals[3];
};

class Mesh : public SceneObject {
public:
    std::uint32_t colour = 0xff00ff;  // per-channel cap of the lighting
    Matrix3 viewToWorld;              // per draw: the camera rotation, transposed
    FrustumClipper* clipper = nullptr;  // borrowed
    DepthList faceOrder;
    std::int32_t envMapEnabled = 0;  // 0: GouraudTriangle, else EnvGouraudTriangle
    std::int32_t visible = 1;        // faces are drawn only while this is 1
    Vector3 cornerNormals[3];        // world normals of the face being drawn
    Vector3 spanNormalLeft;          // scratch of the reflective span
    Vector3 spanNormalRight;
    std::uint32_t* envMap = nullptr;  // 256x256 texels, borrowed
    float projectionFactor = 256.0f;  // the camera's factor, taken at each draw
    std::uint32_t vertexCount = 0;
    std::uint32_t faceCount = 0;
    std::uint32_t centreCount = 0;
    Vector3* viewVertices = nullptr;  // per draw, camera space; tag = lit colour
    Vector3* worldNormals = nullptr;  // per draw, vertex normals turned by orientation
    Vector3* viewCentres = nullptr;   // per draw, face centres in camera space
    Vector3* vertices = nullptr;
    MeshFace* faces = nullptr;
    Vector3* vertexNormals = nullptr;
    Vector3* faceCentres = nullptr;
    Vector3* faceNormals = nullptr;  // length 256
    // Capacities given to allocate (after rounding); the builders stay within them.
    std::uint32_t vertexCapacity = 0;
    std::uint32_t faceCapacity = 0;
    std::uint32_t centreCapacity = 0;

    Mesh();
    ~Mesh() override;

    // Frees every array and returns to the built-nothing state; clipper, envMap
    // and projectionFactor are kept. Harmless to repeat.
    void clear();
    // Each count is raised to the next multiple of 4 strictly above it.
    void allocate(int vertexCount, int faceCount, int centreCount);
    void addVertex(float x, float y, float z);
    // Both return the new centreCount. Anything beyond the capacities (or a face
    // naming a vertex beyond them) is ignored rather than written past the arrays.
    std::uint32_t addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c);
    std::uint32_t addQuad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);

    float depth(const Camera& camera) override;
    void draw(std::uint32_t* viewport, Camera& camera, LightSet& lights) override;

    // The rasterisers: camera-space vertices whose tag is the vertex colour.
    // They do no clipping; a vertex nearer than kMinimumDepth refuses the triangle.
    static constexpr float kMinimumDepth = 32.0f;
    void GouraudTriangle(std::uint32_t* viewport, Vector3 va, Vector3 vb, Vector3 vc, float factor);
    // Also needs cornerNormals (reordered with the vertices) and viewToWorld.
    void EnvGouraudTriangle(std::uint32_t* viewport, Vector3 va, Vector3 vb, Vector3 vc, float factor);
    static void GouraudSpan(std::uint32_t* rowStart, int length, std::uint32_t leftColour, std::uint32_t rightColour);
    void EnvGouraudSpan(std::uint32_t* viewport, int xLeft, int xRight, int y, std::uint32_t leftColour,
                        std::uint32_t rightColour);

    // The two halves of the rasterisers: the set-up (projection, sorting, and
    // when reflective the reordering of cornerNormals), false when the
    // triangle is refused; and the drawing of its rows first .. last - 1 by
    // the rasteriser envMapEnabled selects, which only reads the mesh.
    bool setUpTriangle(const Vector3& va, const Vector3& vb, const Vector3& vc, float factor, bool reflective,
                       MeshTriangle& out);
    void drawTriangleRows(std::uint32_t* viewport, const MeshTriangle& triangle, int first, int last) const;

private:
    void releaseArrays();
    void gouraudRows(std::uint32_t* viewport, const MeshTriangle& triangle, int first, int last) const;
    void envGouraudRows(std::uint32_t* viewport, const MeshTriangle& triangle, int first, int last) const;
    void envGouraudSpan(std::uint32_t* viewport, int xLeft, int xRight, int y, std::uint32_t leftColour,
                        std::uint32_t rightColour, const Vector3& normalLeft, const Vector3& normalRight) const;
    // Draws the triangles set up so far, in bands of rows.
    void flushTriangles(std::uint32_t* viewport);
};
