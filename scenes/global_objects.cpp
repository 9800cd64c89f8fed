#include "scenes/global_objects.h"

#include "image2d/frame_buffer.h"
#include "image2d/image_warps.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scenes.h"

// Defined in one unit and in this order, so they are constructed in this order
// before main and destroyed in reverse at exit (backdrop first, sharedDepthList
// last). Keep the order when adding or moving an object.
DepthList sharedDepthList;
Camera sharedCamera;
LightSet sharedLights;
FrustumClipper sharedClipper;
Vector3 warmLight;
ObjectGroup sphereCluster;
SphereSprite largeSphere;
SphereSprite mediumSphere;
SphereSprite smallSphere;
GlowSprite orangeGlow;
FrustumClipper wideClipper;
Camera mainCamera;
EnvironmentBackdrop skyBackdrop;
Camera latticeCamera;
ObjectGroup cubeLattice;
Mesh cube;
GlowSprite centralGlow;
LightSet scene2Lights;
Mesh torus;
EnvironmentBackdrop landscapeBackdrop;
Camera figureCamera;
LightSet scene4Lights;
Mesh figurePose1;
Mesh figurePose1Mirrored;
Mesh figurePose0;
Mesh figureBlend;
Mesh figurePose2;
Mesh figurePose2Mirrored;
Mesh figurePose4;
Mesh figurePose3;
GlowSprite glowBank[kGlowBankSize];
EnvironmentBackdrop backdrop;

SceneObject* drawList[kDrawListSize];

// Runs after every scene is prepared: the backdrop needs scene 1's wave map.
void sharedSetUp() {
    sharedCamera.reset();
    sharedCamera.position.tag = 0xFFFFFF;
    sharedCamera.factor = kSharedFactor;

    sharedClipper.release();
    sharedClipper.build(kSharedFactor);

    backdrop.initRays(kSharedFactor);
    backdrop.envMap = waveEnvMap;
    if (waveEnvMap != nullptr) discWarp(waveEnvMap);

    warmLight = Vector3(0.0f, 0.0f, 0.0f, 0xFFEEDD);

    // The orange glow of scene 1 lights its spheres; warmLight shines straight down.
    sharedLights.lights[0] = &orangeGlow.position;
    sharedLights.lights[1] = &warmLight;
    sharedLights.count = 2;
    sharedLights.directionalIndex = 1;

    sharedDepthList.init(64);
}

void drawSharedBackdrop() { backdrop.draw(viewport, sharedCamera, sharedLights); }

// After the scene teardowns: what they leave behind. The round glow map stays
// until the process exits; the glyph table is the shell's.
void releaseShared() {
    delete[] scene1::normalMap;
    scene1::normalMap = nullptr;
    delete[] scene1::mask;
    scene1::mask = nullptr;
    delete[] starGlowMap;
    starGlowMap = nullptr;
    sharedCamera.reset();
    sharedClipper.release();
    torus.clear();
}
