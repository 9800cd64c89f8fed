#pragma once
// The 3D objects that the timeline and the scenes share or keep from frame to
// frame. They have static storage, are built with their default constructors
// before main in the order below and destroyed in reverse at exit; the scene
// preparations and the shared set-up configure them, teardowns release what
// they refer to.
#include <cstdint>

#include "render3d/camera.h"
#include "render3d/depth_list.h"
#include "render3d/environment_backdrop.h"
#include "render3d/frustum_clipper.h"
#include "render3d/glow_sprite.h"
#include "render3d/light_set.h"
#include "render3d/mesh.h"
#include "render3d/object_group.h"
#include "render3d/scene_object.h"
#include "render3d/sphere_sprite.h"
#include "render3d/vector3.h"

// Shared by several scenes; configured by the shared set-up after every scene is prepared.
extern DepthList sharedDepthList;
extern Camera sharedCamera;
extern LightSet sharedLights;
extern FrustumClipper sharedClipper;
extern Vector3 warmLight;  // light and look-at target at the origin, colour in its tag

// Scene 1.
extern ObjectGroup sphereCluster;
extern SphereSprite largeSphere;
extern SphereSprite mediumSphere;
extern SphereSprite smallSphere;
extern GlowSprite orangeGlow;

// Scene 2.
extern FrustumClipper wideClipper;
extern Camera mainCamera;
extern EnvironmentBackdrop skyBackdrop;
extern Camera latticeCamera;
extern ObjectGroup cubeLattice;
extern Mesh cube;
extern GlowSprite centralGlow;
extern LightSet scene2Lights;
extern Mesh torus;

// Scene 4.
constexpr int kGlowBankSize = 32;
extern EnvironmentBackdrop landscapeBackdrop;
extern Camera figureCamera;
extern LightSet scene4Lights;
extern Mesh figurePose1;
extern Mesh figurePose1Mirrored;
extern Mesh figurePose0;
extern Mesh figureBlend;
extern Mesh figurePose2;
extern Mesh figurePose2Mirrored;
extern Mesh figurePose4;
extern Mesh figurePose3;
extern GlowSprite glowBank[kGlowBankSize];

// Drawn by the timeline behind scene 1.
extern EnvironmentBackdrop backdrop;

// The objects a 3D scene orders each frame; entries are meaningful only during
// the frame that set them (scene 1 uses 2, scene 2 up to 18, scene 4 all 19).
constexpr int kDrawListSize = 19;
extern SceneObject* drawList[kDrawListSize];

// The projection factor of the shared camera, clipper and backdrop.
constexpr float kSharedFactor = 333.0f;
