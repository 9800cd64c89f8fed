#pragma once
// Scene 2, the plasma sky: a rising, fading plasma turned into the backdrop's
// sky every frame, in front of it the cube lattice, the sprite stream and the
// torus. Its pictures and sprites are reachable for tests and scene 5.
#include <cstdint>

class GlowSprite;

constexpr int kPlasmaSize = 256;

// Scene 2's plasma picture: 256x256 pixels 0x00RRGGBB, rows of 256. Scene 2
// rewrites rows 0..127 every frame, into the other of two pictures, so the
// pointer changes too: read it afresh, never keep it. Rows 128..255 stay
// white. Scene 5 textures its tunnel with all of what scene 2 left.
// Allocated by scene2::prepare (all white), freed by scene2::teardown; null
// otherwise.
extern std::uint32_t* plasmaImage;

namespace scene2 {

constexpr int kStreamSprites = 128;
constexpr int kRingSprites = 16;

// The sky seen by skyBackdrop, rebuilt from the plasma and disc-warped every
// frame. Allocated by prepare (all white), freed by teardown.
extern std::uint32_t* skyImage;
// The 128 sprites of the stream; the first 16 also form the finale's ring.
// Allocated by prepare, freed by teardown.
extern GlowSprite* glowSprites;

// One frame's plasma step: scroll up two rows with fading, a new line for
// time t at the bottom, then the sky rebuilt and disc-warped.
void updateSky(float t);

}  // namespace scene2
