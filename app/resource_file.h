#pragma once
// The player's five file routines over the embedded song (resource 102): a
// memory file whose open ignores the name.
#include <cstdint>

struct ResourceFile {
    std::int32_t size = 0;
    std::int32_t position = 0;
    const unsigned char* data = nullptr;  // the executable's bytes; never freed
};

void* resOpen(const char* name);
void resClose(void* handle);
std::int32_t resRead(void* destination, std::int32_t count, void* handle);
void* resSeek(void* handle, std::int32_t offset, std::uint8_t origin);
std::int32_t resTell(void* handle);

// Serves the given bytes instead of resource 102 (tools and tests); null restores it.
void resServeBytes(const unsigned char* data, std::int32_t size);
