#include "scenes/scenes.h"

namespace scene5 {

void prepare() {}

void drawFrame(float) {}

void teardown() {}

}  // namespace scene5
