#include "scenes/scene4_dance.h"

#include <algorithm>

#include "image2d/frame_buffer.h"
#include "image2d/image_warps.h"
#include "image2d/pixel_ops.h"
#include "maths/elementary.h"
#include "render3d/environment_map.h"
#include "scenes/depth_sorted_drawing.h"
#include "scenes/figure_builder.h"
#include "scenes/global_objects.h"
#include "scenes/pose_blending.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scenes.h"

namespace scene4 {

std::uint32_t* landscapeMap = nullptr;

namespace {

constexpr double kPi = 3.141592653589793;

constexpr float kFigureFactor = 333.0f;
constexpr std::uint32_t kFigureColour = 0xFFEEDD;
constexpr float kGlowSize = 32.0f;

// glowBank: 0 and 1 the coloured lights, 2 and 3 the orange lights, 4 to 19
// the swarm; 20 to 31 are never drawn.
constexpr int kRedLight = 0;
constexpr int kGreenLight = 1;
constexpr int kLeftOrange = 2;
constexpr int kRightOrange = 3;
constexpr int kFirstSwarm = 4;
constexpr int kSwarmSize = 16;
constexpr int kFigureDrawCount = 3;
constexpr int kFinaleDrawCount = 3 + kSwarmSize;

constexpr std::uint32_t kSwarmColour = 0x4080F0;
constexpr std::uint32_t kOrangeColour = 0xF08040;

// Both pairs of lights start beside the figure's chest.
const Vector3 kLeftOfFigure(-64.0f, -16.0f, 24.0f);
const Vector3 kRightOfFigure(64.0f, -16.0f, 24.0f);

void configureFigure(Mesh& mesh) {
    mesh.envMap = landscapeMap;
    mesh.clipper = &sharedClipper;
    mesh.colour = kFigureColour;
    mesh.position.set(0.0f, 0.0f, 0.0f);
    mesh.envMapEnabled = 1;
}

void buildPosed(Mesh& mesh, int pose, bool mirrored) {
    buildFigure(mesh, pose);
    if (mirrored) mirrorX(mesh);
    configureFigure(mesh);
}

// The one mesh every blend is written into; its faces never change, so they
// are copied once here.
void prepareBlendTarget() {
    figureBlend.clear();
    figureBlend.allocate(static_cast<int>(figurePose0.vertexCount), static_cast<int>(figurePose0.faceCount),
                         static_cast<int>(figurePose0.centreCount));
    configureFigure(figureBlend);
    figureBlend.vertexCount = figurePose0.vertexCount;
    figureBlend.faceCount = figurePose0.faceCount;
    figureBlend.centreCount = figurePose0.centreCount;
    std::copy_n(figurePose1.faces, std::min(figureBlend.faceCount, figurePose1.faceCount), figureBlend.faces);
}

void moveTo(GlowSprite& sprite, const Vector3& where) { sprite.position.set(where.x, where.y, where.z); }

void setColour(GlowSprite& sprite, std::uint32_t colour) {
    sprite.position.tag = colour;
    sprite.colour = colour;
}

void aimCamera(float t) {
    Vector3 eye;
    if (cameraPath(t, eye)) {
        figureCamera.position.set(eye.x, eye.y, eye.z);
        figureCamera.angles.z = 0.0f;
        figureCamera.lookAt(warmLight);
    } else if (t >= kFinaleStart) {
        figureCamera.angles.z = finaleRoll(t);
        figureCamera.lookAt(warmLight);
    }
}

// Whether drawList holds this scene's figure yet: where the schedule leaves
// the figure unchanged, a first frame must not draw what another scene left
// there (or nothing at all).
bool figureListed = false;

// The figure first in drawList, then two glowing lights. In between poses
// the blend is written into figureBlend, in place.
void showFigure(float t, int firstLight) {
    FigureShown shown;
    if (!figureSchedule(t, shown)) {
        if (figureListed) return;
        shown.from = FigurePose::pose1;  // what the schedule holds there
    }
    figureListed = true;
    if (shown.blended) {
        blendPoses(figureBlend, figureMesh(shown.from), figureMesh(shown.to), shown.w);
        drawList[0] = &figureBlend;
    } else {
        drawList[0] = &figureMesh(shown.from);
    }
    drawList[1] = &glowBank[firstLight];
    drawList[2] = &glowBank[firstLight + 1];
}

// Red and green lights brighten beside the figure, fly apart, then the red
// one circles it. They keep their last state in between and afterwards.
void moveColouredLights(float t) {
    GlowSprite& red = glowBank[kRedLight];
    GlowSprite& green = glowBank[kGreenLight];
    if (t >= kLightsAppear && t < kLightsPart) {
        const std::uint32_t k = static_cast<std::uint32_t>(lightStep(t));
        setColour(red, k * 0x10000u);
        setColour(green, k * 0x100u);
        moveTo(red, kLeftOfFigure);
        moveTo(green, kRightOfFigure);
    } else if (t > kLightsPart && t < kRedLightCircles) {
        const double l = static_cast<double>(t) - 8076.0;
        const float y = static_cast<float>(l * 0.007924715 - 16.0);
        const float z = static_cast<float>(24.0 - l * 0.011887073);
        red.position.set(static_cast<float>(-64.0 - l * 0.09509658), y, z);
        green.position.set(static_cast<float>(64.0 + l * 0.09509658), y, z);
    } else if (t > kRedLightCircles && t < kDanceStart) {
        const double l = static_cast<double>(t) - 12214.0;
        red.position.set(static_cast<float>(-256.0 * maths::cos(l * kPi / 800.0)),
                         static_cast<float>(64.0 * maths::sin(l * kPi / 1000.0)),
                         static_cast<float>(256.0 * maths::sin(l * kPi / 800.0)));
    }
}

// Sixteen blue sprites whirl round the figure on a circle of radius 200,
// and two orange lights pulse beside it and light it instead of the coloured ones.
void runFinale(float t) {
    const double l = static_cast<double>(t) - 31702.0;
    const double turn = t * kPi / 400.0;
    const std::uint32_t swarmColour = scale(kSwarmColour, swarmFactor(l));
    const float swarmSize = static_cast<float>(32.0 + l / 200.0);
    for (int n = 0; n < kSwarmSize; ++n) {
        GlowSprite& sprite = glowBank[kFirstSwarm + n];
        sprite.position.set(static_cast<float>(200.0 * maths::sin(n + turn)),
                            static_cast<float>(128.0 * maths::sin((n + static_cast<double>(t) - 1221.0) / 1000.0)),
                            static_cast<float>(200.0 * maths::cos(n + turn)));
        sprite.colour = swarmColour;
        sprite.size = swarmSize;
        drawList[3 + n] = &sprite;
    }
    scene4Lights.lights[1] = &glowBank[kLeftOrange].position;
    scene4Lights.lights[2] = &glowBank[kRightOrange].position;
    const std::uint32_t orange = scale(kOrangeColour, pulseFactor(l));
    const float orangeSize = static_cast<float>(32.0 + l / 20.0);
    for (int i : {kLeftOrange, kRightOrange}) {
        setColour(glowBank[i], orange);
        moveTo(glowBank[i], i == kLeftOrange ? kLeftOfFigure : kRightOfFigure);
        glowBank[i].size = orangeSize;
    }
}

}  // namespace

Mesh& figureMesh(FigurePose pose) {
    switch (pose) {
        case FigurePose::pose0: return figurePose0;
        case FigurePose::pose1: return figurePose1;
        case FigurePose::pose2: return figurePose2;
        case FigurePose::pose3: return figurePose3;
        case FigurePose::pose4: return figurePose4;
        case FigurePose::pose1Mirrored: return figurePose1Mirrored;
        case FigurePose::pose2Mirrored: return figurePose2Mirrored;
    }
    return figurePose1;
}

void prepare() {
    if (landscapeMap == nullptr) landscapeMap = new std::uint32_t[kEnvironmentMapTexels];
    makeEnvironmentMap(landscapeMap);
    discWarp(landscapeMap);

    figureCamera.reset();
    figureCamera.factor = kFigureFactor;
    landscapeBackdrop.initRays(kFigureFactor);
    landscapeBackdrop.envMap = landscapeMap;

    // warmLight is completed by the shared set-up later; only its address is taken here.
    scene4Lights.lights[0] = &warmLight;
    scene4Lights.lights[1] = &glowBank[kRedLight].position;
    scene4Lights.lights[2] = &glowBank[kGreenLight].position;
    scene4Lights.directionalIndex = 1;
    scene4Lights.count = 3;

    buildPosed(figurePose1, 1, false);
    buildPosed(figurePose1Mirrored, 1, true);
    buildPosed(figurePose0, 0, false);
    buildPosed(figurePose2, 2, false);
    buildPosed(figurePose2Mirrored, 2, true);
    buildPosed(figurePose4, 4, false);
    buildPosed(figurePose3, 3, false);
    prepareBlendTarget();
    figureListed = false;

    for (GlowSprite& sprite : glowBank) {
        setColour(sprite, 0);
        sprite.clipper = &sharedClipper;
        sprite.position.set(0.0f, 0.0f, 0.0f);
        sprite.intensityMap = roundGlowMap;
        sprite.size = kGlowSize;
    }
}

void drawFrame(float t) {
    if (landscapeMap == nullptr) return;
    sharedDepthList.clear();
    aimCamera(t);
    if (t < kFinaleStart) {
        showFigure(t, kRedLight);
        moveColouredLights(t);
    } else {
        showFigure(t, kLeftOrange);
        runFinale(t);
    }
    landscapeBackdrop.draw(viewport, figureCamera, scene4Lights);
    drawDepthSorted(viewport, t < kFinaleStart ? kFigureDrawCount : kFinaleDrawCount, figureCamera, scene4Lights);
}

// The other figure meshes keep their arrays until the process exits.
void teardown() {
    delete[] landscapeMap;
    landscapeMap = nullptr;
    figurePose1.clear();
    figurePose0.clear();
    figureBlend.clear();
}

}  // namespace scene4
