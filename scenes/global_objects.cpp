#include "scenes/scenes.h"

void sharedSetUp() {}

void drawSharedBackdrop() {}

void releaseShared() {}
