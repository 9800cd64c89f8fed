#include "music/xm_file_reader.h"

#include <algorithm>
#include <cstring>

void XmFileReader::read(void* destination, std::int32_t count) {
    const std::int32_t copied = readAvailable(destination, count);
    if (copied < count) std::memset(static_cast<std::uint8_t*>(destination) + copied, 0, count - copied);
}

std::int32_t XmFileReader::readAvailable(void* destination, std::int32_t count) {
    if (count <= 0) return 0;
    const std::int32_t copied = std::clamp(callbacks_.read(destination, count, handle_), 0, count);
    if (copied < count) exhausted_ = true;
    return copied;
}

std::uint8_t XmFileReader::u8() {
    std::uint8_t value = 0;
    read(&value, 1);
    return value;
}

std::uint16_t XmFileReader::u16() {
    std::uint8_t bytes[2];
    read(bytes, 2);
    return littleU16(bytes);
}

std::uint32_t XmFileReader::u32() {
    std::uint8_t bytes[4];
    read(bytes, 4);
    return littleU32(bytes);
}

bool XmFileReader::seekTo(std::int64_t position) {
    if (position < 0 || position > INT32_MAX) return false;
    callbacks_.seek(handle_, static_cast<std::int32_t>(position), 0);
    exhausted_ = false;
    return true;
}

void XmFileReader::skip(std::int32_t count) {
    callbacks_.seek(handle_, count, 1);
    exhausted_ = false;
}

std::int64_t XmFileReader::tell() { return callbacks_.tell(handle_); }

std::int64_t XmFileReader::size() {
    const std::int64_t position = tell();
    callbacks_.seek(handle_, 0, 2);
    const std::int64_t end = tell();
    seekTo(position);
    return end;
}
