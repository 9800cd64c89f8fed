#pragma once
// A 64-bit fingerprint of a whole frame, the same on every platform: FNV-1a
// over the 640x480 pixels row by row, top to bottom, three bytes per pixel in
// the order red, green, blue. Tests compare frames by it, and a native run and
// a browser run can be checked against each other with it.
#include <cstdint>

std::uint64_t frameHash(const std::uint32_t* pixels);
