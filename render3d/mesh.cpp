#include "render3d/mesh.h"

#include "render3d/camera.h"

namespace {
// Room for n and a little more: the next multiple of 4 strictly above n
// (unsigned, so that no count can overflow).
std::uint32_t roundCapacity(int n) {
    const std::uint32_t u = n < 0 ? 0u : static_cast<std::uint32_t>(n);
    return u + 4 - u % 4;
}
}  // namespace

Mesh::Mesh() { clear(); }

Mesh::~Mesh() { releaseArrays(); }

void Mesh::releaseArrays() {
    delete[] vertices;
    delete[] faces;
    delete[] faceNormals;
    delete[] faceCentres;
    delete[] vertexNormals;
    delete[] viewVertices;
    delete[] viewCentres;
    delete[] worldNormals;
    vertices = faceNormals = faceCentres = vertexNormals = viewVertices = viewCentres = worldNormals = nullptr;
    faces = nullptr;
    faceOrder.release();
    vertexCapacity = faceCapacity = centreCapacity = 0;
}

void Mesh::clear() {
    releaseArrays();
    colour = 0xff00ff;
    envMapEnabled = 0;
    visible = 1;
    vertexCount = faceCount = centreCount = 0;
    position.set(0.0f, 0.0f, 0.0f);
    orientation.setRotation(0.0f, 0.0f, 0.0f);
}

void Mesh::allocate(int vertexLimit, int faceLimit, int centreLimit) {
    releaseArrays();
    vertexCapacity = roundCapacity(vertexLimit);
    faceCapacity = roundCapacity(faceLimit);
    centreCapacity = roundCapacity(centreLimit);
    vertices = new Vector3[vertexCapacity];
    vertexNormals = new Vector3[vertexCapacity];
    viewVertices = new Vector3[vertexCapacity];
    worldNormals = new Vector3[vertexCapacity];
    faces = new MeshFace[faceCapacity];
    faceCentres = new Vector3[centreCapacity];
    faceNormals = new Vector3[centreCapacity];
    viewCentres = new Vector3[centreCapacity];
    faceOrder.init(faceCapacity + 4);
    vertexCount = faceCount = centreCount = 0;
}

void Mesh::addVertex(float x, float y, float z) {
    if (vertexCount >= vertexCapacity) return;
    vertices[vertexCount].set(x, y, z);
    vertexNormals[vertexCount].set(0.0f, 0.0f, 0.0f);
    ++vertexCount;
}

std::uint32_t Mesh::addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    if (faceCount >= faceCapacity || centreCount >= centreCapacity || a >= vertexCapacity ||
        b >= vertexCapacity || c >= vertexCapacity) {
        return centreCount;
    }
    faces[faceCount++] = MeshFace{a, b, c, centreCount};
    const Vector3 &va = vertices[a], &vb = vertices[b], &vc = vertices[c];
    constexpr float kThird = 0.33333334f;  // the single-precision third, not an exact one
    faceCentres[centreCount].set(static_cast<float>((static_cast<double>(va.x) + vb.x + vc.x) * kThird),
                                 static_cast<float>((static_cast<double>(va.y) + vb.y + vc.y) * kThird),
                                 static_cast<float>((static_cast<double>(va.z) + vb.z + vc.z) * kThird));
    Vector3& normal = faceNormals[centreCount];
    normal.faceNormal(va, vb, vc);
    vertexNormals[a].add(normal);
    vertexNormals[b].add(normal);
    vertexNormals[c].add(normal);
    return ++centreCount;
}

std::uint32_t Mesh::addQuad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    if (faceCount + 2 > faceCapacity || centreCount >= centreCapacity || a >= vertexCapacity ||
        b >= vertexCapacity || c >= vertexCapacity || d >= vertexCapacity) {
        return centreCount;
    }
    faces[faceCount++] = MeshFace{a, b, c, centreCount};
    faces[faceCount++] = MeshFace{c, d, a, centreCount};
    const Vector3 &va = vertices[a], &vb = vertices[b], &vc = vertices[c], &vd = vertices[d];
    faceCentres[centreCount].set(static_cast<float>((static_cast<double>(va.x) + vb.x + vc.x + vd.x) * 0.25),
                                 static_cast<float>((static_cast<double>(va.y) + vb.y + vc.y + vd.y) * 0.25),
                                 static_cast<float>((static_cast<double>(va.z) + vb.z + vc.z + vd.z) * 0.25));
    Vector3& normal = faceNormals[centreCount];
    normal.faceNormal(va, vb, vc);
    vertexNormals[a].add(normal);
    vertexNormals[b].add(normal);
    vertexNormals[c].add(normal);
    vertexNormals[d].add(normal);
    return ++centreCount;
}

float Mesh::depth(const Camera& camera) { return position.distance(camera.position); }
