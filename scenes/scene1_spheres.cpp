#include "scenes/scenes.h"

namespace scene1 {

void prepare() {}

void drawFrame(float) {}

void teardown() {}

}  // namespace scene1
