#include "render3d/depth_list.h"

#include <limits>

void DepthList::init(std::uint32_t newCapacity) {
    release();
    items = new std::int32_t[newCapacity];
    keys = new float[newCapacity];
    capacity = newCapacity;
    count = 0;
}

void DepthList::release() {
    delete[] items;
    delete[] keys;
    items = nullptr;
    keys = nullptr;
    capacity = 0;
    count = 0;
}

void DepthList::insert(std::int32_t item, float key) {
    if (count >= capacity) return;
    const int n = static_cast<int>(count);
    // The narrowing below can look one entry before the first; that entry
    // counts as smaller than every key, which keeps the list sorted.
    auto keyAt = [&](int i) { return i < 0 ? -std::numeric_limits<float>::infinity() : keys[i]; };
    int pos;
    if (n == 0 || key <= keys[0]) {
        pos = 0;
    } else if (key >= keys[n - 1]) {
        pos = n;
    } else {
        int lo = 1, hi = n - 2;
        for (int steps = n / 2; steps != 0; steps /= 2) {
            const int mid = (lo + hi) / 2;
            if (key <= keyAt(mid - 1)) hi = mid;
            if (key >= keyAt(mid)) lo = mid - 1;
        }
        pos = lo;
        // lo never goes below -1, and keyAt(-1) lets pos past it at once.
        while (pos <= hi && key >= keyAt(pos)) ++pos;
    }
    for (int i = n; i > pos; --i) {
        keys[i] = keys[i - 1];
        items[i] = items[i - 1];
    }
    keys[pos] = key;
    items[pos] = item;
    count = static_cast<std::uint32_t>(n + 1);
}
