#include "scenes/scenes.h"

namespace scene4 {

void prepare() {}

void drawFrame(float) {}

void teardown() {}

}  // namespace scene4
