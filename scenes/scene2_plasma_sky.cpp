#include "scenes/scene2_plasma_sky.h"

#include <algorithm>
#include <utility>

#include "image2d/frame_buffer.h"
#include "image2d/image_warps.h"
#include "image2d/pixel_ops.h"
#include "maths/elementary.h"
#include "platform/worker_pool.h"
#include "render3d/mesh_generators.h"
#include "scenes/depth_sorted_drawing.h"
#include "scenes/global_objects.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scenes.h"

std::uint32_t* plasmaImage = nullptr;

namespace scene2 {

std::uint32_t* skyImage = nullptr;
GlowSprite* glowSprites = nullptr;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;

constexpr int kImagePixels = kPlasmaSize * kPlasmaSize;
constexpr int kPlasmaRows = 128;
constexpr int kHalfImage = kPlasmaRows * kPlasmaSize;  // 32768: the plasma rows, and each half of the sky

// Each frame's plasma step reads plasmaImage and writes this one, and then
// the two change places; rows 128..255 of both stay white.
std::uint32_t* plasmaSpare = nullptr;
// The sky before its disc warp, and the plasma's new bottom line.
std::uint32_t* unwarpedSky = nullptr;
std::uint32_t newLine[kPlasmaSize];

constexpr float kWideFactor = 33.0f;
constexpr int kLatticeCubes = 27;

// Scene times in ms. Most are multiples of 2019, 32 rows of the song.
constexpr float kLatticeEnd = 8000.0f;
constexpr float kLatticeLeaves = 7000.0f;
constexpr float kStreamStart = 8076.0f;
constexpr float kSwayStart = 12114.0f;
constexpr float kSwayEnd = 14133.0f;
constexpr float kTorusStart = 16152.0f;
constexpr float kZoomEnd = 18171.0f;
constexpr float kOrbitStart = 20190.0f;
constexpr float kFinaleStart = 24228.0f;
constexpr float kJitterStart = 26000.0f;
constexpr float kSceneEnd = 28266.0f;

std::uint32_t sine3Colour(double red, double green, double blue) {
    const auto channel = [](double angle) {
        return static_cast<std::uint32_t>(static_cast<int>(127.0 * maths::sin(angle) + 128.0));
    };
    return (channel(red) << 16) + (channel(green) << 8) + channel(blue);
}

void prepareLattice() {
    makeBox(cube, 48.0f, 48.0f, 48.0f);
    cube.colour = 0xFFFFFF;
    cube.clipper = &sharedClipper;
    cube.envMap = skyImage;
    cube.envMapEnabled = 0;
    cubeLattice.reset();
    cubeLattice.allocate(32);
    cubeLattice.order.init(34);
    for (int i = 0; i < kLatticeCubes; ++i) {
        cube.position.set(static_cast<float>((i % 3 - 1) * 128), static_cast<float>((i / 3 % 3 - 1) * 128),
                          static_cast<float>((i / 9 - 1) * 128));
        cubeLattice.add(&cube);
    }
    latticeCamera.reset();
    latticeCamera.factor = kSharedFactor;
    latticeCamera.position.set(0.0f, 0.0f, -1024.0f);
}

void prepareGlows() {
    centralGlow.position.tag = 0x00FF80;
    centralGlow.colour = 0x00FF80;
    centralGlow.size = 128.0f;
    centralGlow.clipper = &sharedClipper;
    centralGlow.intensityMap = starGlowMap;
    // warmLight is completed by the shared set-up later; only its address is taken here.
    scene2Lights.lights[0] = &warmLight;
    scene2Lights.lights[1] = &centralGlow.position;
    scene2Lights.count = 2;
    scene2Lights.directionalIndex = 0;
    if (glowSprites == nullptr) glowSprites = new GlowSprite[kStreamSprites];
    for (int i = 0; i < kStreamSprites; ++i) {
        GlowSprite& sprite = glowSprites[i];
        sprite.position.tag = 0x00FF80;
        sprite.colour = 0x00FF80;
        sprite.size = 64.0f;
        sprite.clipper = &sharedClipper;
        sprite.intensityMap = roundGlowMap;
    }
}

void setRotation(Camera& camera, double a1, double a2, double a3) {
    camera.angles.set(static_cast<float>(a1), static_cast<float>(a2), static_cast<float>(a3));
    camera.rotation.setRotation(camera.angles.x, camera.angles.y, camera.angles.z);
}

// The pitch of mainCamera before its orbit. Exactly at 1000 and 16152 there
// is none, and the camera keeps the rotation of the frame before.
bool mainPitch(float t, double& p) {
    if (t < 1000.0f) p = 128.0;
    else if (t > 1000.0f && t < 3000.0f) p = 128.0 - (t - 1000.0) * 0.128;
    else if (t >= 3000.0f && t < kSwayStart) p = -128.0;
    else if (t >= kSwayStart && t < kSwayEnd) p = 256.0 * maths::sin((t - 12114.0) * kPi / 2019.0) - 128.0;
    else if (t >= kSwayEnd && t < kTorusStart) p = -128.0;
    else if (t > kTorusStart && t < kOrbitStart) p = (t - 16152.0) * 128.0 / 4038.0 - 128.0;
    else return false;
    return true;
}

// Rolls one 512th of a turn every 25 ms; from 20190 ms it orbits warmLight.
void aimMainCamera(float t) {
    const double f = t * 0.04;
    mainCamera.position.set(0.0f, 0.0f, -512.0f);
    if (t >= kOrbitStart) {
        const double l = static_cast<double>(t) - 20190.0;
        const double a = l * 0.0011312901165286282;  // one turn per 5554 ms
        mainCamera.angles.z = static_cast<float>(f);
        mainCamera.position.set(static_cast<float>(512.0 * maths::sin(a)), static_cast<float>(666.0 * maths::sin(l * kPi / 4000.0)),
                                static_cast<float>(-512.0 * maths::cos(a)));
        mainCamera.lookAt(warmLight);
        return;
    }
    double p = 0.0;
    if (mainPitch(t, p)) setRotation(mainCamera, 0.0, p, f);
}

// A 3x3x3 lattice that breathes and tumbles round the green light; after
// 7000 ms it flies up and the light fades fast.
void drawLattice(float t) {
    centralGlow.position.set(static_cast<float>(192.0 * maths::cos(t * 0.0017560607342649525)),
                             static_cast<float>(192.0 * maths::sin(t * 0.0015810733032712633)),
                             static_cast<float>(192.0 * maths::sin(t * 0.0017560607342649525)));
    const double sx = 256.0 + 160.0 * maths::sin(t * 0.0009905894006934125);
    const double sy = 256.0 + 160.0 * maths::cos(t * 0.0012382367508667657);
    const double sz = 256.0 + 160.0 * maths::sin(t * 0.001485884073190391);
    const double w = static_cast<double>(t) - 7000.0;
    for (int n = 0; n < kLatticeCubes && n < static_cast<int>(cubeLattice.count); ++n) {
        Vector3& base = cubeLattice.basePositions[n];
        base.set(static_cast<float>((n % 3 - 1) * sx), static_cast<float>((n / 3 % 3 - 1) * sy),
                 static_cast<float>((n / 9 - 1) * sz));
        if (t > kLatticeLeaves) {
            base.y = static_cast<float>(base.y + w);
            centralGlow.colour = scale(centralGlow.colour, 127);
        }
    }
    cubeLattice.orientation.setRotation(static_cast<float>(t * 0.05), static_cast<float>(t * 0.033333335),
                                        static_cast<float>(t * 0.016666668));
    setRotation(latticeCamera, 12.0 * maths::sin(t * kTwoPi / 7500.0), 0.0, 0.0);
    drawList[0] = &cubeLattice;
    drawList[1] = &centralGlow;
    drawDepthSorted(viewport, 2, latticeCamera, scene2Lights);
}

// 128 sprites flying at the viewer, 2 units per ms, wrapping every 8192
// units; brightest half-way, dark at both ends. Drawn in index order.
void drawStream(float t) {
    const double f = t * 0.04;
    const double q = t >= kSwayStart && t < kSwayEnd ? 256.0 * maths::sin((t - 12114.0) * kPi / 2019.0) : 0.0;
    setRotation(latticeCamera, 0.0, q, f);
    latticeCamera.position.set(0.0f, 0.0f, -128.0f);
    const float l = t - kStreamStart;
    const double h = 2.0 * l;
    const double envelope = maths::sin(l * kPi / 8076.0);
    for (int g = 0; g < kStreamSprites; ++g) {
        GlowSprite& sprite = glowSprites[g];
        const int z = (static_cast<int>(64.0 * g + h) & 0x1FFF) - 4096;
        const std::uint32_t colour = sine3Colour((g + 42) * kTwoPi / 64.0, (g + 21) * kTwoPi / 64.0, g * kTwoPi / 64.0);
        const int brightness = static_cast<int>(127.0 * envelope * maths::cos(z * kPi / 8192.0));
        sprite.colour = scale(colour, static_cast<std::uint32_t>(brightness));
        sprite.size = 128.0f;
        sprite.position.set(static_cast<float>(612.0 * maths::cos(413.0 * g)), static_cast<float>(612.0 * maths::sin(123.0 * g)),
                            static_cast<float>(z));
        sprite.draw(viewport, latticeCamera, scene2Lights);
    }
}

// The view zooms in from factor 33 while the torus rises into it and the
// orange light comes up. The last factor drawn stays for the rest of the scene.
void zoomIn(float t) {
    const double o = static_cast<double>(t) - 16152.0;
    mainCamera.factor = static_cast<float>(o / 6.0 + 33.0);
    skyBackdrop.initRays(mainCamera.factor);
    // build reuses the clipper's arrays, so the zoom allocates nothing per frame.
    wideClipper.build(mainCamera.factor);
    torus.position.set(0.0f, static_cast<float>(static_cast<double>(t) - 18171.0), 0.0f);
    torus.draw(viewport, mainCamera, scene2Lights);
    centralGlow.colour = scale(0xFF8000, static_cast<std::uint32_t>(static_cast<int>(o) * 128 / 2019));
    centralGlow.position.tag = 0xFFCC80;
    centralGlow.position.set(0.0f, 0.0f, 256.0f);
}

void turnTorus(float t) {
    torus.orientation.setRotation(static_cast<float>(t * 0.022727273), static_cast<float>(t * 0.012987013), 0.0f);
}

// Sixteen sprites in a turning, bobbing ring grow and whiten; after 26000 ms
// the light jumps about every frame, its own sprite gone.
void drawFinale(float t) {
    turnTorus(t);
    if (t > kJitterStart) {
        const double r = t;
        centralGlow.position.set(static_cast<float>(270.0 * maths::sin(r)), static_cast<float>(270.0 * maths::sin(2.0 * r)),
                                 static_cast<float>(270.0 * maths::sin(3.0 * r)));
        centralGlow.size = 0.0f;
        centralGlow.position.tag = 0xFFFFFF;
    }
    const float l = t - kFinaleStart;
    const std::uint32_t k = static_cast<std::uint32_t>(static_cast<int>(l) / 17);
    const float s = static_cast<float>(l / 6.0);
    const double J = t * 0.0022471910112359553;
    const double K = t * 0.002898550724637681;
    drawList[0] = &torus;
    drawList[1] = &centralGlow;
    for (int n = 0; n < kRingSprites; ++n) {
        GlowSprite& sprite = glowSprites[n];
        const std::uint32_t colour = sine3Colour((n + 10.7) * kTwoPi / 16.0, (n + 5.3) * kTwoPi / 16.0, n * kTwoPi / 16.0);
        sprite.colour = blend(colour, 0xFFFFFF, k);
        sprite.size = s;
        sprite.position.set(static_cast<float>(384.0 * maths::cos(J + n * kTwoPi / 16.0)),
                            static_cast<float>(199.0 * maths::sin(n * kPi / 2.0 + K)),
                            static_cast<float>(384.0 * maths::sin(J + n * kTwoPi / 16.0)));
        drawList[2 + n] = &sprite;
    }
    drawDepthSorted(viewport, 2 + kRingSprites, mainCamera, scene2Lights);
}

}  // namespace

void updateSky(float t) {
    // The new bottom line, two rows of it.
    const double u1 = t * 0.0036764706;
    const double u2 = t * 0.004310345;
    const double u3 = t * 0.0054945056;
    const double u4 = t * 0.0029325513;
    workerPool().forBands(kPlasmaSize, [&](int first, int last) {
        for (int c = first; c < last; ++c) {
            const double sum = maths::cos(u2 - c * kTwoPi / 32.0) * maths::sin(u1 - c * kTwoPi / 128.0) +
                               maths::sin(u4 - c * kTwoPi / 64.0) + maths::cos(u3 + c * kTwoPi / 256.0);
            const int v = static_cast<int>(12.0 * sum + 48.0);  // 12..84
            newLine[c] = static_cast<std::uint32_t>(v) * 0x010203u;
        }
    });
    // The plasma scrolls up two rows into the spare picture: the top quarter
    // greys, the rest darkens by 127/128. The sky is made of each new row:
    // upper half towards blue-grey, lower half towards pale blue, both more so
    // further down.
    workerPool().forBands(kPlasmaRows, [](int first, int last) {
        for (int r = first; r < last; ++r) {
            std::uint32_t* row = plasmaSpare + r * kPlasmaSize;
            const std::uint32_t* below = plasmaImage + (r + 2) * kPlasmaSize;
            if (r < 32) {
                for (int c = 0; c < kPlasmaSize; ++c) row[c] = blend(below[c], 0x808080, 24);
            } else if (r < kPlasmaRows - 2) {
                for (int c = 0; c < kPlasmaSize; ++c) row[c] = scale(below[c], 127);
            } else {
                std::copy_n(newLine, kPlasmaSize, row);
            }
            for (int i = r * kPlasmaSize; i < (r + 1) * kPlasmaSize; ++i) {
                const std::uint32_t w = static_cast<std::uint32_t>(i / 128);
                unwarpedSky[i] = blend(plasmaSpare[i], 0x607080, w);
                unwarpedSky[i + kHalfImage] = blend(plasmaSpare[i], 0xDDEEFF, w);
            }
        }
    });
    std::swap(plasmaImage, plasmaSpare);
    discWarp(unwarpedSky, skyImage);
}

void prepare() {
    if (plasmaImage == nullptr) plasmaImage = new std::uint32_t[kImagePixels];
    std::fill_n(plasmaImage, kImagePixels, 0xFFFFFFu);
    if (plasmaSpare == nullptr) plasmaSpare = new std::uint32_t[kImagePixels];
    std::fill_n(plasmaSpare, kImagePixels, 0xFFFFFFu);
    if (unwarpedSky == nullptr) unwarpedSky = new std::uint32_t[kImagePixels];
    if (skyImage == nullptr) skyImage = new std::uint32_t[kImagePixels];
    std::fill_n(skyImage, kImagePixels, 0xFFFFFFu);

    mainCamera.reset();
    mainCamera.factor = kWideFactor;
    wideClipper.release();
    wideClipper.build(kWideFactor);
    skyBackdrop.initRays(kWideFactor);
    skyBackdrop.envMap = skyImage;

    makeTorus(torus, 48.0f, 48.0f, 160.0f);
    torus.clipper = &wideClipper;
    torus.colour = 0xFFFFFF;
    torus.envMap = waveEnvMap;
    torus.envMapEnabled = 1;
    torus.position.set(0.0f, 0.0f, 0.0f);

    prepareLattice();
    prepareGlows();
}

void drawFrame(float t) {
    if (plasmaImage == nullptr || skyImage == nullptr || glowSprites == nullptr) return;
    updateSky(t);
    aimMainCamera(t);
    skyBackdrop.draw(viewport, mainCamera, sharedLights);
    if (t < kLatticeEnd) {
        drawLattice(t);
    } else if (t > kStreamStart && t < kTorusStart) {
        drawStream(t);
    } else if (t >= kTorusStart && t < kFinaleStart) {
        if (t < kZoomEnd) zoomIn(t);
        turnTorus(t);
        drawList[0] = &torus;
        drawList[1] = &centralGlow;
        drawDepthSorted(viewport, 2, mainCamera, scene2Lights);
    } else if (t >= kFinaleStart && t < kSceneEnd) {
        drawFinale(t);
    }
}

void teardown() {
    delete[] skyImage;
    skyImage = nullptr;
    delete[] plasmaImage;
    plasmaImage = nullptr;
    delete[] plasmaSpare;
    plasmaSpare = nullptr;
    delete[] unwarpedSky;
    unwarpedSky = nullptr;
    cubeLattice.reset();
    delete[] glowSprites;
    glowSprites = nullptr;
    torus.clear();
}

}  // namespace scene2
