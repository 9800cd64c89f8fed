#include "scenes/scene2_plasma_sky.h"

#include <algorithm>

#include "scenes/scenes.h"

std::uint32_t* plasmaImage = nullptr;

namespace scene2 {

void prepare() {
    if (plasmaImage == nullptr) plasmaImage = new std::uint32_t[kPlasmaSize * kPlasmaSize];
    std::fill_n(plasmaImage, kPlasmaSize * kPlasmaSize, 0xFFFFFFu);
}

void drawFrame(float) {}

void teardown() {
    delete[] plasmaImage;
    plasmaImage = nullptr;
}

}  // namespace scene2
