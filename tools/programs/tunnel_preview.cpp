// Writes frames of the greetings tunnel textured with a test pattern instead
// of the plasma, to see how the maps turn and stream the texture, and the
// maps themselves: tunnel_preview [output-directory]
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image2d/frame_buffer.h"
#include "platform/png_file.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scene5_tunnel.h"
#include "scenes/scenes.h"
#include "scenes/tunnel_maps.h"

namespace {

// Red follows the texture row (around a disc), green the column (along the
// tunnel); blue checks of 16 x 16 texels.
void fillTestPattern() {
    for (int u = 0; u < kPlasmaSize; ++u) {
        for (int v = 0; v < kPlasmaSize; ++v) {
            const std::uint32_t check = ((u / 16 + v / 16) & 1) != 0 ? 0xFFu : 0x40u;
            const auto row = static_cast<std::uint32_t>(u);
            const auto column = static_cast<std::uint32_t>(v);
            plasmaImage[u * kPlasmaSize + v] = row << 16 | column << 8 | check;
        }
    }
}

bool save(const std::string& path, const std::uint32_t* pixels, int width, int height) {
    if (!writePng(path, pixels, width, height)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

// Depth as grey (near dark, far bright, no disc red) and the texture rows as grey.
bool saveMaps(const std::string& directory) {
    std::vector<std::uint32_t> depth(kMapPixels);
    std::vector<std::uint32_t> angle(kMapPixels);
    for (int i = 0; i < kMapPixels; ++i) {
        const std::int32_t d = scene5::depthMap[i];
        const auto g = static_cast<std::uint32_t>(d == kNoDisc ? 0 : d * 255 / kFarthestDepth);
        depth[i] = d == kNoDisc ? 0xFF0000u : g * 0x010101u;
        angle[i] = static_cast<std::uint32_t>(scene5::angleMap[i] & 255) * 0x010101u;
    }
    return save(directory + "/tunnel_depth_map.png", depth.data(), kMapWidth, kMapHeight) &&
           save(directory + "/tunnel_angle_map.png", angle.data(), kMapWidth, kMapHeight);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string directory = argc > 1 ? argv[1] : ".";
    std::vector<std::uint32_t> pixels(kFrameWidth * kFrameHeight, 0u);
    frameBuffer = pixels.data();
    viewport = pixels.data() + kViewportTop * kFrameWidth;
    scene2::prepare();
    fillTestPattern();
    scene5::prepare();
    bool ok = saveMaps(directory) &&
              save(directory + "/tunnel_names_page.png", scene5::greetingsImage, scene5::kGreetingsWidth,
                   scene5::kGreetingsHeight);
    for (const int t : {0, 1000, 4000, 8077, 12000}) {
        scene5::drawFrame(static_cast<float>(t));
        ok = ok && save(directory + "/tunnel_pattern_" + std::to_string(t) + ".png", pixels.data(), kFrameWidth,
                        kFrameHeight);
    }
    scene5::teardown();
    scene2::teardown();
    frameBuffer = nullptr;
    viewport = nullptr;
    return ok ? 0 : 1;
}
