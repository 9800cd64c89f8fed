#include "scenes/scenes.h"

namespace scene6 {

void prepare() {}

void drawFrame(float) {}

void teardown() {}

}  // namespace scene6
