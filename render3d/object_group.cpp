#include "render3d/object_group.h"

#include "render3d/camera.h"

ObjectGroup::~ObjectGroup() { reset(); }

void ObjectGroup::allocate(std::uint32_t newCapacity) {
    delete[] children;
    delete[] basePositions;
    children = new SceneObject*[newCapacity];
    basePositions = new Vector3[newCapacity];
    capacity = newCapacity;
    count = 0;
    order.init(newCapacity);
}

void ObjectGroup::add(SceneObject* child) {
    if (count >= capacity || child == nullptr) return;
    children[count] = child;
    basePositions[count] = child->position;
    ++count;
}

void ObjectGroup::reset() {
    count = 0;
    position.set(0.0f, 0.0f, 0.0f);
    orientation.setRotation(0.0f, 0.0f, 0.0f);
    delete[] children;
    delete[] basePositions;
    children = nullptr;
    basePositions = nullptr;
    capacity = 0;
    order.release();
}

float ObjectGroup::depth(const Camera& camera) { return position.distance(camera.position); }

// Child i takes the group's rotation and its base position turned and moved with the group.
void ObjectGroup::place(std::uint32_t i) {
    Vector3 p = basePositions[i];
    p.transform(orientation);
    p.add(position);
    children[i]->orientation.copyFrom(orientation);
    children[i]->position = p;
}

void ObjectGroup::draw(std::uint32_t* viewport, Camera& camera, LightSet& lights) {
    order.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        place(i);
        order.insert(static_cast<std::int32_t>(i), children[i]->depth(camera));
    }
    for (std::uint32_t j = 0; j < order.count; ++j) {
        const std::uint32_t k = static_cast<std::uint32_t>(order.get(j));
        place(k);
        children[k]->draw(viewport, camera, lights);
    }
}
