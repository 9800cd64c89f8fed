#include "render3d/scene_object.h"

float SceneObject::depth(const Camera&) { return -1.0f; }

void SceneObject::draw(std::uint32_t*, Camera&, LightSet&) {}
