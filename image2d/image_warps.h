#pragma once
// Warps that prepare and finish the environment backdrop's picture: the disc
// layout its lookup expects, and the expansion of its sparse samples.
#include <cstdint>

// Turns a 256x256 picture into the backdrop's layout, in place: each row is
// squeezed into a centred span so the picture becomes a disc of radius about
// 129 (0xFF00FF outside), then the quadrants are swapped so that the disc's
// centre lies at the corners, where 8-bit signed lookups land. Not reentrant:
// it works through one static copy so that a per-frame call allocates nothing.
void discWarp(std::uint32_t* picture);
// The same warp of source into picture, another 256x256 picture that does
// not overlap it, with no copy. Both share their rows out over the worker
// pool, so neither may be called from inside a band of another pass.
void discWarp(const std::uint32_t* source, std::uint32_t* picture);

// Fills the 640x288 viewport from samples at its even columns of every fourth
// row, in place. The viewport must lie inside the frame buffer: the mix for
// the last sample row reads the row below it (the lower bar).
void expandSamples(std::uint32_t* viewportPixels);
