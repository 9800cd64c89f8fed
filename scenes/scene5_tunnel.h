#pragma once
// Scene 5, the greetings tunnel: the maps prepared at load time and the
// names page, reachable for tests and previews.
#include <cstdint>

namespace scene5 {

constexpr int kGreetingsWidth = 512;
constexpr int kGreetingsHeight = 256;

// The tunnel maps (see tunnel_maps.h): allocated by prepare, freed by teardown.
extern std::int32_t* depthMap;
extern std::int32_t* angleMap;

// The shaded names page, 512x256: allocated by prepare and kept until the
// process exits (a static owner frees it then).
extern std::uint32_t* greetingsImage;

}  // namespace scene5
