#include "scenes/scenes.h"

namespace scene2 {

void prepare() {}

void drawFrame(float) {}

void teardown() {}

}  // namespace scene2
