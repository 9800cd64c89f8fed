#pragma once
// How the 3D scenes draw their objects: the first count entries of drawList,
// ordered through sharedDepthList and drawn farthest first.
#include <cstdint>

class Camera;
class LightSet;

void drawDepthSorted(std::uint32_t* viewportPixels, int count, Camera& camera, LightSet& lights);
