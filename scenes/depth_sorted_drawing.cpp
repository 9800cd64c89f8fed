#include "scenes/depth_sorted_drawing.h"

#include "scenes/global_objects.h"

void drawDepthSorted(std::uint32_t* viewportPixels, int count, Camera& camera, LightSet& lights) {
    sharedDepthList.clear();
    for (int i = 0; i < count && i < kDrawListSize; ++i) sharedDepthList.insert(i, drawList[i]->depth(camera));
    // get(0) is the largest key: the farthest object is drawn first.
    for (std::uint32_t j = 0; j < sharedDepthList.count; ++j)
        drawList[sharedDepthList.get(j)]->draw(viewportPixels, camera, lights);
}
