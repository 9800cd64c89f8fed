#pragma once
// Several objects under one transform, drawn farthest first. The children are
// borrowed; the two arrays belong to the group from allocate() until reset().
#include <cstdint>

#include "render3d/depth_list.h"
#include "render3d/scene_object.h"

class ObjectGroup : public SceneObject {
public:
    std::uint32_t count = 0;
    SceneObject** children = nullptr;
    Vector3* basePositions = nullptr;  // each child's position relative to the group
    DepthList order;
    std::uint32_t capacity = 0;  // entries of children and basePositions

    ObjectGroup() = default;
    ~ObjectGroup() override;

    // Allocates both arrays and the ordering for capacity children (the scenes use 32).
    void allocate(std::uint32_t capacity);
    // Remembers child with its current position as its place in the group;
    // a full group ignores further children.
    void add(SceneObject* child);
    // No children, position (0, 0, 0), identity orientation; frees the arrays.
    void reset();

    float depth(const Camera& camera) override;
    void draw(std::uint32_t* viewport, Camera& camera, LightSet& lights) override;

private:
    void place(std::uint32_t i);
};
