#pragma once
// Item numbers kept in ascending order of a float key; get(0) is the farthest.
// init allocates the two arrays; the owner frees them with release() (the
// destructor does too, so nothing leaks if an owner forgets).
#include <cstdint>

class DepthList {
public:
    std::int32_t* items = nullptr;  // items[i] belongs to keys[i]
    float* keys = nullptr;          // ascending
    std::uint32_t count = 0;
    std::uint32_t capacity = 0;  // entries the arrays hold

    DepthList() = default;
    DepthList(const DepthList&) = delete;
    DepthList& operator=(const DepthList&) = delete;
    ~DepthList() { release(); }

    // Allocates room for capacity entries (releasing any earlier arrays); count = 0.
    void init(std::uint32_t capacity);
    // Frees the arrays; a second call does nothing.
    void release();
    void clear() { count = 0; }
    // Inserts keeping keys ascending. An insert into a full list is dropped.
    void insert(std::int32_t item, float key);
    // The i-th entry counted from the largest key.
    std::int32_t get(std::uint32_t i) const { return items[count - 1 - i]; }
};
