// Developer look at the mesh renderer: draws a few meshes into a 640x288
// viewport and writes one PNG per picture into the directory given (default .).
//   render_preview [output-directory]
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/png_file.h"
#include "render3d/camera.h"
#include "render3d/frustum_clipper.h"
#include "render3d/light_set.h"
#include "render3d/mesh_generators.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 288;
constexpr float kFactor = 333.0f;
constexpr std::uint32_t kBackground = 0x202830u;

// A checker of two gradients, so that the reflection's direction is easy to read.
std::vector<std::uint32_t> makeCheckerMap() {
    std::vector<std::uint32_t> map(256 * 256);
    for (std::uint32_t v = 0; v < 256; ++v) {
        for (std::uint32_t u = 0; u < 256; ++u) {
            const bool light = ((u / 32) + (v / 32)) % 2 == 0;
            map[v * 256 + u] = light ? (u << 16) + (v << 8) + 0xc0u : (v / 2 << 16) + 0x1000u + (255 - u) / 2;
        }
    }
    return map;
}

// Faces of the last draw with at least one corner in front of the near plane.
int nearFaces(const Mesh& mesh) {
    int n = 0;
    for (std::uint32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        n += mesh.viewVertices[f.a].z < 64.0f || mesh.viewVertices[f.b].z < 64.0f || mesh.viewVertices[f.c].z < 64.0f;
    }
    return n;
}

class Preview {
public:
    Preview() : viewport_(kWidth * kHeight) {
        clipper_.build(kFactor);
        sun_.tag = 0x606060u;
        red_.set(-400.0f, -100.0f, -300.0f);
        red_.tag = 0xff3020u;
        blue_.set(400.0f, 100.0f, -200.0f);
        blue_.tag = 0x2060ffu;
        lights_.lights[0] = &sun_;  // directional: position plays no part
        lights_.lights[1] = &red_;
        lights_.lights[2] = &blue_;
        lights_.count = 3;
        lights_.directionalIndex = 0;
    }

    void begin(const Vector3& eye, const Vector3& target) {
        std::fill(viewport_.begin(), viewport_.end(), kBackground);
        camera_.reset();
        camera_.factor = kFactor;
        camera_.position = eye;
        camera_.lookAt(target);
    }

    void draw(Mesh& mesh) {
        mesh.clipper = &clipper_;
        mesh.draw(viewport_.data(), camera_, lights_);
    }

    bool write(const std::string& path) {
        const bool ok = writePng(path, viewport_.data(), kWidth, kHeight);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
        return ok;
    }

    // Pixels written outside rows 1..287 (there should be none).
    int strayPixels() const {
        int n = 0;
        for (int x = 0; x < kWidth; ++x) n += (viewport_[x] != kBackground) + (viewport_[287 * kWidth + x] != kBackground);
        return n;
    }

private:
    std::vector<std::uint32_t> viewport_;
    FrustumClipper clipper_;
    Camera camera_;
    LightSet lights_;
    Vector3 sun_, red_, blue_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    Preview preview;
    const Vector3 origin(0.0f, 0.0f, 0.0f);
    bool ok = true;

    Mesh box;
    makeBox(box, 48.0f, 48.0f, 48.0f);
    box.colour = 0xffffffu;
    preview.begin(Vector3(0.0f, 0.0f, -400.0f), origin);
    preview.draw(box);
    ok &= preview.write(dir + "/box_axis.png");

    preview.begin(Vector3(0.0f, 0.0f, -400.0f), origin);
    box.orientation.setRotation(40.0f, 30.0f, 10.0f);
    preview.draw(box);
    ok &= preview.write(dir + "/box_angle.png");

    Mesh torus;
    makeTorus(torus, 48.0f, 48.0f, 160.0f);
    torus.colour = 0xffffffu;
    torus.orientation.setRotation(20.0f, 100.0f, 0.0f);
    preview.begin(Vector3(0.0f, 0.0f, -700.0f), origin);
    preview.draw(torus);
    ok &= preview.write(dir + "/torus_gouraud.png");

    Mesh tube;
    makeTube(tube, 40.0f, 50.0f, 2.0f);
    tube.colour = 0xffe0c0u;
    tube.orientation.setRotation(30.0f, 20.0f, 15.0f);
    preview.begin(Vector3(0.0f, 0.0f, -600.0f), origin);
    preview.draw(tube);
    ok &= preview.write(dir + "/tube_gouraud.png");

    std::vector<std::uint32_t> map = makeCheckerMap();
    torus.envMap = map.data();
    torus.envMapEnabled = 1;
    preview.begin(Vector3(0.0f, 0.0f, -700.0f), origin);
    preview.draw(torus);
    ok &= preview.write(dir + "/torus_envmap.png");
    ok &= writePng(dir + "/envmap.png", map.data(), 256, 256);
    preview.begin(Vector3(0.0f, -60.0f, -330.0f), Vector3(0.0f, -110.0f, 0.0f));
    preview.draw(torus);
    ok &= preview.write(dir + "/torus_envmap_close.png");

    // The eye just above the ring, looking along it: the ring crosses the near
    // plane and all four screen edges.
    torus.envMapEnabled = 0;
    torus.orientation.setRotation(0.0f, 0.0f, 0.0f);
    preview.begin(Vector3(-20.0f, -150.0f, -75.0f), Vector3(150.0f, 20.0f, 0.0f));
    preview.draw(torus);
    ok &= preview.write(dir + "/torus_clipped.png");
    std::printf("faces with a corner nearer than z = 64: %d; pixels written in rows 0 and 287: %d\n",
                nearFaces(torus), preview.strayPixels());

    box.clear();
    torus.clear();
    tube.clear();
    return ok ? 0 : 1;
}
