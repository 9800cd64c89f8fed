#include "scenes/scenes.h"

namespace scene3 {

void prepare() {}

void drawFrame(float) {}

void teardown() {}

}  // namespace scene3
