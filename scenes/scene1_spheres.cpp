#include "scenes/scene1_spheres.h"

#include <algorithm>
#include <cmath>

#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"
#include "maths/elementary.h"
#include "scenes/depth_sorted_drawing.h"
#include "scenes/global_objects.h"
#include "scenes/scenes.h"

std::uint32_t* waveEnvMap = nullptr;
std::uint8_t* starGlowMap = nullptr;
std::uint8_t* roundGlowMap = nullptr;

namespace {

// The round glow outlives every teardown; it is freed when the process exits.
struct RoundGlowOwner {
    ~RoundGlowOwner() {
        delete[] roundGlowMap;
        roundGlowMap = nullptr;
    }
} roundGlowOwner;

}  // namespace

namespace scene1 {

std::uint32_t* titleImage = nullptr;
Vector3* normalMap = nullptr;
std::uint8_t* mask = nullptr;

namespace {

constexpr int kTitlePixels = kTitleWidth * kTitleHeight;
constexpr int kEnvMapTexels = kEnvMapSide * kEnvMapSide;
constexpr int kGlowMapTexels = kGlowMapSide * kGlowMapSide;
constexpr int kSphereMapTexels = kSphereMapSide * kSphereMapSide;

constexpr float kTitleStart = 2019.0f;
constexpr float kShellsStart = 8076.0f;  // the title ends here too
constexpr float kSceneEnd = 12114.0f;
constexpr float kFadeStart = 11090.0f;
constexpr int kTitleLeft = 160;  // the title sits in the middle of the viewport
constexpr int kTitleTop = 112;

// The six placements of every shell, in the order the cluster holds them.
constexpr int kShellDirections[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}};
constexpr int kShells = 3;
constexpr float kShellDistance[kShells] = {256.0f, 512.0f, 768.0f};

template <typename T>
T* allocateOnce(T*& buffer, int count) {
    if (buffer == nullptr) buffer = new T[count];
    return buffer;
}

void makeTitle() {
    allocateOnce(titleImage, kTitlePixels);
    std::fill_n(titleImage, kTitlePixels, 0u);
    rasteriseText(titleImage, "QORB T   ", kTitleWidth, kTitleHeight);
    for (int row : {8, 50})
        for (int r = row; r < row + 6; ++r) std::fill_n(titleImage + r * kTitleWidth, 234, 255u);
    shadeEdges(titleImage, kTitleWidth, kTitleHeight);
}

void makeWaveEnvMap() {
    allocateOnce(waveEnvMap, kEnvMapTexels);
    double sx[kEnvMapSide];
    for (int x = 0; x < kEnvMapSide; ++x) sx[x] = maths::sin(x * 0.098174770425);  // pi/32
    for (int y = 0; y < kEnvMapSide; ++y) {
        const double sy = maths::sin(y * 0.012271846303125);  // pi/256
        for (int x = 0; x < kEnvMapSide; ++x) {
            const int v = static_cast<int>((sy * sx[x] + 1.0) * 8.0);
            waveEnvMap[y * kEnvMapSide + x] = static_cast<std::uint32_t>(v) * 0x010203u;
        }
    }
}

void makeSpheres() {
    allocateOnce(normalMap, kSphereMapTexels);
    allocateOnce(mask, kSphereMapTexels);
    buildSphereMaps(normalMap, mask);
    const float sizes[3] = {256.0f, 128.0f, 64.0f};
    SphereSprite* spheres[3] = {&largeSphere, &mediumSphere, &smallSphere};
    for (int i = 0; i < 3; ++i) {
        spheres[i]->size = sizes[i];
        spheres[i]->normalMap = normalMap;
        spheres[i]->mask = mask;
        spheres[i]->envMap = waveEnvMap;
        spheres[i]->clipper = &sharedClipper;
    }
}

// Pairs on the three axes: the large spheres inside, the small ones outside.
void makeCluster() {
    sphereCluster.reset();
    sphereCluster.allocate(32);
    sphereCluster.order.init(34);
    SphereSprite* shells[kShells] = {&largeSphere, &mediumSphere, &smallSphere};
    for (int s = 0; s < kShells; ++s) {
        for (const auto& d : kShellDirections) {
            shells[s]->position.set(static_cast<float>(d[0] * kShellDistance[s]),
                                    static_cast<float>(d[1] * kShellDistance[s]),
                                    static_cast<float>(d[2] * kShellDistance[s]));
            sphereCluster.add(shells[s]);
        }
    }
}

// Distance of texel (x, y) from the glow maps' centre (32, 32).
double centreDistance(int x, int y) {
    return std::sqrt(static_cast<double>((x - 32) * (x - 32) + (y - 32) * (y - 32)));
}

// Eight points between radius 16 and 32.
void makeStarGlowMap() {
    allocateOnce(starGlowMap, kGlowMapTexels);
    for (int y = 0; y < kGlowMapSide; ++y) {
        for (int x = 0; x < kGlowMapSide; ++x) {
            // d and limit stay in double: the factor is a hair above pi/32, so on
            // the axes other than +x the sine is a hair above 0, which a float
            // limit would lose.
            const double d = centreDistance(x, y);
            const float a = angleOf(static_cast<float>(x - 32), static_cast<float>(y - 32));
            const double limit = maths::sin(a * 0.098174770425) * 8.0 + 24.0;
            int value = 0;
            if (d < limit) value = 255 - static_cast<int>(d * 255.0 / limit);
            starGlowMap[y * kGlowMapSide + x] = static_cast<std::uint8_t>(value);
        }
    }
}

void makeRoundGlowMap() {
    allocateOnce(roundGlowMap, kGlowMapTexels);
    for (int y = 0; y < kGlowMapSide; ++y) {
        for (int x = 0; x < kGlowMapSide; ++x) {
            const double d = centreDistance(x, y);
            const int value = d > 32.0 ? 0 : static_cast<int>(255.0 - d * 7.9);
            roundGlowMap[y * kGlowMapSide + x] = static_cast<std::uint8_t>(value);
        }
    }
}

void makeOrangeGlow() {
    orangeGlow.colour = 0xFF8000;
    orangeGlow.size = 128.0f;
    orangeGlow.intensityMap = starGlowMap;
    orangeGlow.clipper = &sharedClipper;
    orangeGlow.position = Vector3(128.0f, 0.0f, 0.0f, 0xFF8000);
}

// One orbit of the origin takes about 11,165 ms.
void moveCamera(float t) {
    const double h = t * 0.000562746194191277;
    sharedCamera.position.set(static_cast<float>(768.0 * maths::sin(h)), 0.0f, static_cast<float>(-768.0 * maths::cos(h)));
    sharedCamera.lookAt(warmLight);
}

void moveGlow(float t) {
    orangeGlow.position.set(static_cast<float>(384.0 * maths::cos(t * 0.0013458949979394674)),
                            static_cast<float>(384.0 * maths::sin(t * 0.0011560693383216858)),
                            static_cast<float>(384.0 * maths::sin(t * 0.0010131712770089507)));
}

// From 8076 ms the shells fly apart: the inner at half a unit per ms, the
// middle at one, the outer at two. Outside that time the last places stay.
void moveShells(float t) {
    if (!(t >= kShellsStart && t < kSceneEnd) || sphereCluster.count < kShells * 6) return;
    const double d = static_cast<double>(t) - 8076.0;
    const double distance[kShells] = {256.0 + d / 2.0, 512.0 + d, 768.0 + 2.0 * d};
    for (int s = 0; s < kShells; ++s) {
        for (int i = 0; i < 6; ++i) {
            const int* dir = kShellDirections[i];
            sphereCluster.basePositions[s * 6 + i].set(static_cast<float>(dir[0] * distance[s]),
                                                       static_cast<float>(dir[1] * distance[s]),
                                                       static_cast<float>(dir[2] * distance[s]));
        }
    }
}

void applyFade(std::uint32_t* viewportPixels, float t) {
    if (!(t > kFadeStart)) return;
    const std::uint32_t f = static_cast<std::uint32_t>(fadeFactor(t));
    for (int i = 0; i < kViewportWidth * kViewportHeight; ++i) viewportPixels[i] = blend(viewportPixels[i], 0xFFFFFF, f);
}

}  // namespace

void drawTitle(std::uint32_t* viewportPixels, float t) {
    if (!(t > kTitleStart && t < kShellsStart) || titleImage == nullptr) return;
    for (int r = 0; r < kTitleHeight; ++r) {
        std::uint32_t* row = viewportPixels + (kTitleTop + r) * kViewportWidth + kTitleLeft;
        const std::uint32_t* title = titleImage + r * kTitleWidth;
        for (int c = 0; c < kTitleWidth; ++c)
            if (title[c] != 0) row[c] = blend(row[c], 0xFFFFFF, title[c] & 0xFF);
    }
}

int fadeFactor(float t) {
    if (!(t > kFadeStart)) return 0;
    const double since = std::min(static_cast<double>(t) - 11090.0, 1.0e9);
    return static_cast<int>(since) / 4;
}

void prepare() {
    makeTitle();
    makeWaveEnvMap();
    makeSpheres();
    makeCluster();
    makeStarGlowMap();
    makeRoundGlowMap();
    makeOrangeGlow();
}

void drawFrame(float t) {
    moveCamera(t);
    sphereCluster.orientation.setRotation(static_cast<float>(t * 0.03030303120613098),
                                          static_cast<float>(t * 0.012987012974917889), 0.0f);
    moveGlow(t);
    moveShells(t);
    drawList[0] = &orangeGlow;
    drawList[1] = &sphereCluster;
    drawDepthSorted(viewport, 2, sharedCamera, sharedLights);
    drawTitle(viewport, t);
    applyFade(viewport, t);
}

void teardown() {
    delete[] waveEnvMap;
    waveEnvMap = nullptr;
    delete[] titleImage;
    titleImage = nullptr;
    sphereCluster.reset();
}

}  // namespace scene1
