// Pictures of the articulated figure for looking at it: every pose and a blend
// halfway between poses 1 and 2, from the front, the side and three-quarters
// above, Gouraud-lit and environment-mapped, each as a 640x288 viewport PNG.
//   figure_preview [output-directory]
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image2d/pixel_ops.h"
#include "platform/png_file.h"
#include "render3d/camera.h"
#include "render3d/environment_map.h"
#include "render3d/frustum_clipper.h"
#include "render3d/light_set.h"
#include "scenes/figure_builder.h"
#include "scenes/pose_blending.h"

namespace {

constexpr float kFactor = 333.0f;           // scene 4's camera
constexpr std::uint32_t kBackground = 0x302838;  // holes would show this through the body

struct View {
    const char* name;
    float x, y, z;  // eye, looking at the origin
};
// Farther than scene 4's 400, so that raised arms stay in the picture.
constexpr View kViews[] = {{"front", 0.0f, 0.0f, 480.0f},
                           {"side", 480.0f, 0.0f, 0.0f},
                           {"threequarter", 310.0f, -180.0f, 310.0f}};

struct Stage {
    std::vector<std::uint32_t> viewport = std::vector<std::uint32_t>(kViewportWidth * kViewportHeight);
    std::vector<std::uint32_t> environment = std::vector<std::uint32_t>(kEnvironmentMapTexels);
    FrustumClipper clipper;
    Camera camera;
    LightSet lights;
    Vector3 overhead{0.0f, 0.0f, 0.0f, 0x807870};      // the fixed light from above
    Vector3 key{-300.0f, -200.0f, 400.0f, 0xffeedd};  // front left, a little above
    Vector3 fill{400.0f, 0.0f, -200.0f, 0x405070};    // back right, cool

    Stage() {
        makeEnvironmentMap(environment.data());
        clipper.build(kFactor);
        lights.lights[0] = &overhead;
        lights.lights[1] = &key;
        lights.lights[2] = &fill;
        lights.directionalIndex = 0;
        lights.count = 3;
    }

    void dress(Mesh& mesh) {
        mesh.colour = 0xffeedd;
        mesh.clipper = &clipper;
        mesh.envMap = environment.data();
        mesh.position.set(0.0f, 0.0f, 0.0f);
    }

    bool render(Mesh& mesh, const View& view, bool envMapped, const std::string& path) {
        for (std::uint32_t& p : viewport) p = kBackground;
        camera.reset();
        camera.factor = kFactor;
        camera.position.set(view.x, view.y, view.z);
        camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
        mesh.envMapEnabled = envMapped ? 1 : 0;
        mesh.draw(viewport.data(), camera, lights);
        if (!writePng(path, viewport.data(), kViewportWidth, kViewportHeight)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
        std::printf("%s\n", path.c_str());
        return true;
    }

    bool renderAll(Mesh& mesh, const std::string& directory, const std::string& name) {
        bool ok = true;
        for (const View& view : kViews) {
            for (bool envMapped : {false, true}) {
                const std::string path =
                    directory + "/figure_" + name + "_" + view.name + (envMapped ? "_envmap" : "_gouraud") + ".png";
                ok &= render(mesh, view, envMapped, path);
            }
        }
        return ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string directory = argc > 1 ? argv[1] : ".";
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    Stage stage;
    bool ok = true;
    Mesh poses[kFigurePoses];
    for (int pose = 0; pose < kFigurePoses; ++pose) {
        buildFigure(poses[pose], pose);
        stage.dress(poses[pose]);
        ok &= stage.renderAll(poses[pose], directory, "pose" + std::to_string(pose));
    }
    // Scene 4 blends vertex by vertex into a mesh of the same faces.
    Mesh blend;
    buildFigure(blend, 1);
    stage.dress(blend);
    blendPoses(blend, poses[1], poses[2], 0.5f);
    ok &= stage.renderAll(blend, directory, "blend12");
    Mesh mirrored;
    buildFigure(mirrored, 2);
    mirrorX(mirrored);
    stage.dress(mirrored);
    ok &= stage.renderAll(mirrored, directory, "pose2mirrored");
    return ok ? 0 : 1;
}
