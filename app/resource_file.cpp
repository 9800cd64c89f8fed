#include "app/resource_file.h"

#include <cstring>

#include "platform/resources.h"

namespace {
const unsigned char* servedData = nullptr;
std::int32_t servedSize = 0;
}  // namespace

void resServeBytes(const unsigned char* data, std::int32_t size) {
    servedData = data;
    servedSize = data != nullptr ? size : 0;
}

void* resOpen(const char*) {
    auto* file = new ResourceFile{};
    if (servedData != nullptr) {
        file->data = servedData;
        file->size = servedSize;
        return file;
    }
    const ResourceData song = findResource(kSongResource);
    if (!song) {
        delete file;
        return nullptr;
    }
    file->data = song.data;
    file->size = static_cast<std::int32_t>(song.size);
    return file;
}

void resClose(void* handle) { delete static_cast<ResourceFile*>(handle); }

std::int32_t resRead(void* destination, std::int32_t count, void* handle) {
    auto* file = static_cast<ResourceFile*>(handle);
    // Never more than what is left, never a negative count.
    if (count < 0) count = 0;
    if (count >= file->size - file->position) count = file->size - file->position;
    if (count > 0) std::memcpy(destination, file->data + file->position, static_cast<std::size_t>(count));
    file->position += count;
    return count;
}

void* resSeek(void* handle, std::int32_t offset, std::uint8_t origin) {
    auto* file = static_cast<ResourceFile*>(handle);
    const std::int64_t position = file->position;
    std::int64_t target = position;
    if (origin == 0) target = offset;
    else if (origin == 1) target = position + offset;
    else if (origin == 2) target = file->size;
    // Kept within the file: a position before its start would read outside it.
    if (target > file->size) target = file->size;
    if (target < 0) target = 0;
    file->position = static_cast<std::int32_t>(target);
    return handle;
}

std::int32_t resTell(void* handle) { return static_cast<ResourceFile*>(handle)->position; }
