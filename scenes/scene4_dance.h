#pragma once
// Scene 4, the dancing figure: a figure in front of a procedural landscape,
// lit by the warm light and two glowing coloured lights, blending between
// five stored poses and two mirrored ones while the camera circles it; at the
// end a swarm of blue sprites and two pulsing orange lights.
#include <cstdint>

#include "scenes/scene4_schedule.h"

class Mesh;

namespace scene4 {

// The landscape the backdrop shows and every figure mesh reflects: the
// procedural sky and ground, disc-warped. Allocated by prepare, freed by teardown.
extern std::uint32_t* landscapeMap;

// The posed figure mesh the schedule names.
Mesh& figureMesh(FigurePose pose);

}  // namespace scene4
