#pragma once
// The six scenes of the show and the objects they share. Every scene has
// prepare (once, while loading), drawFrame (every frame of its window, with
// its local time in ms) and teardown (once, at shutdown; safe when prepare
// never ran).

struct SceneOps {
    void (*prepare)();
    void (*drawFrame)(float localTime);
    void (*teardown)();
};

namespace scene1 { void prepare(); void drawFrame(float t); void teardown(); }
namespace scene2 { void prepare(); void drawFrame(float t); void teardown(); }
namespace scene3 { void prepare(); void drawFrame(float t); void teardown(); }
namespace scene4 { void prepare(); void drawFrame(float t); void teardown(); }
namespace scene5 { void prepare(); void drawFrame(float t); void teardown(); }
namespace scene6 { void prepare(); void drawFrame(float t); void teardown(); }

inline constexpr SceneOps sceneTable[6] = {
    {scene1::prepare, scene1::drawFrame, scene1::teardown},
    {scene2::prepare, scene2::drawFrame, scene2::teardown},
    {scene3::prepare, scene3::drawFrame, scene3::teardown},
    {scene4::prepare, scene4::drawFrame, scene4::teardown},
    {scene5::prepare, scene5::drawFrame, scene5::teardown},
    {scene6::prepare, scene6::drawFrame, scene6::teardown},
};

// The objects several scenes share (camera, clipper, backdrop, lights, depth
// list), configured after every scene is prepared.
void sharedSetUp();
// The backdrop behind scene 1, drawn with the shared camera as scene 1 left it.
void drawSharedBackdrop();
// Frees what the scene teardowns leave (sphere and glow maps, shared camera,
// clipper, torus).
void releaseShared();
