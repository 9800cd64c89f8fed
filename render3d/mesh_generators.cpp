#include "render3d/mesh_generators.h"

#include "maths/elementary.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

void normaliseVertexNormals(Mesh& mesh) {
    for (std::uint32_t i = 0; i < mesh.vertexCount; ++i) mesh.vertexNormals[i].setLength(256.0f);
}
}  // namespace

void makeBox(Mesh& mesh, float hx, float hy, float hz) {
    mesh.clear();
    mesh.allocate(8, 12, 12);
    mesh.addVertex(-hx, hy, hz);
    mesh.addVertex(hx, hy, hz);
    mesh.addVertex(hx, hy, -hz);
    mesh.addVertex(-hx, hy, -hz);
    mesh.addVertex(-hx, -hy, hz);
    mesh.addVertex(hx, -hy, hz);
    mesh.addVertex(hx, -hy, -hz);
    mesh.addVertex(-hx, -hy, -hz);
    mesh.addQuad(0, 1, 2, 3);
    mesh.addQuad(7, 6, 5, 4);
    mesh.addQuad(2, 1, 5, 6);
    mesh.addQuad(0, 3, 7, 4);
    mesh.addQuad(1, 0, 4, 5);
    mesh.addQuad(3, 2, 6, 7);
    // Box vertex normals stay sums of three faces (length about 443).
    mesh.visible = 1;
}

void makeTorus(Mesh& mesh, float a, float b, float c) {
    mesh.clear();
    mesh.allocate(128, 256, 256);
    for (int i = 0; i < 16; ++i) {
        const double theta = i * kPi / 8;
        for (int j = 0; j < 8; ++j) {
            const double phi = j * kPi / 4;
            const double r = a * maths::cos(phi) + c;
            mesh.addVertex(static_cast<float>(-r * maths::sin(theta)), static_cast<float>(r * maths::cos(theta)),
                           static_cast<float>(b * maths::sin(phi)));
        }
    }
    for (std::uint32_t i = 0; i < 16; ++i) {
        const std::uint32_t i1 = (i + 1) % 16;
        for (std::uint32_t j = 0; j < 8; ++j) {
            const std::uint32_t j1 = (j + 1) % 8;
            mesh.addTriangle(8 * i + j1, 8 * i + j, 8 * i1 + j);
            mesh.addTriangle(8 * i + j1, 8 * i1 + j, 8 * i1 + j1);
        }
    }
    normaliseVertexNormals(mesh);
    mesh.visible = 1;
}

void makeTube(Mesh& mesh, float a, float b, float c) {
    mesh.clear();
    mesh.allocate(66, 128, 128);
    for (int t = 0; t < 8; ++t) {
        const double x = t * static_cast<double>(a) - 3.5 * a;
        const double rho = (0.5 * maths::sin(t * static_cast<double>(c) * kPi / 7) + 1) * b;
        for (int k = 0; k < 8; ++k) {
            const double phi = k * kPi / 4;
            mesh.addVertex(static_cast<float>(x), static_cast<float>(rho * maths::sin(phi)),
                           static_cast<float>(rho * maths::cos(phi)));
        }
    }
    mesh.addVertex(static_cast<float>(-4.5 * a), 0.0f, 0.0f);  // 64: the closed end at -x
    mesh.addVertex(static_cast<float>(4.5 * a), 0.0f, 0.0f);   // 65: the closed end at +x
    for (std::uint32_t t = 0; t < 7; ++t) {
        for (std::uint32_t k = 0; k < 8; ++k) {
            const std::uint32_t k1 = (k + 1) % 8;
            mesh.addTriangle(8 * t + k, 8 * (t + 1) + k1, 8 * t + k1);
            mesh.addTriangle(8 * t + k, 8 * (t + 1) + k, 8 * (t + 1) + k1);
        }
    }
    for (std::uint32_t k = 0; k < 8; ++k) {
        const std::uint32_t k1 = (k + 1) % 8;
        mesh.addTriangle(64, k, k1);
        mesh.addTriangle(65, 56 + k1, 56 + k);
    }
    normaliseVertexNormals(mesh);
    mesh.visible = 1;
}
