#pragma once
// The base of everything the 3D scenes draw. There is no depth buffer: callers
// order objects by depth() and draw the farthest first.
#include <cstdint>

#include "render3d/matrix3.h"
#include "render3d/vector3.h"

class Camera;
class LightSet;

class SceneObject {
public:
    Matrix3 orientation;  // rotation of the object's own coordinates
    Vector3 position;     // world position of its origin (the tag travels with it)

    SceneObject() = default;
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    // Virtual slots in this order: depth, draw, destructor.
    // The ordering key; larger is farther. The base object sorts nearest of all.
    virtual float depth(const Camera& camera);
    // Renders into the 640x288 viewport (row pitch 640). The base object draws nothing.
    virtual void draw(std::uint32_t* viewport, Camera& camera, LightSet& lights);
    virtual ~SceneObject() = default;
};
