#pragma once
// Reads a song file through the registered file routines. Every read is
// bounded by its destination, and bytes past the end of the file read as
// zero, so a short or lying file cannot make the loader leave its buffers.
#include <cstdint>

#include "music/xm_player.h"

class XmFileReader {
public:
    XmFileReader(const MusicFileCallbacks& callbacks, void* handle) : callbacks_(callbacks), handle_(handle) {}

    // Copies count bytes to destination; what the file lacks becomes zero.
    void read(void* destination, std::int32_t count);
    // Copies up to count bytes and returns how many the file had; the rest
    // of destination is left as it was.
    std::int32_t readAvailable(void* destination, std::int32_t count);
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();

    // False when the position does not fit the routines' 32-bit offsets.
    bool seekTo(std::int64_t position);
    void skip(std::int32_t count);
    std::int64_t tell();
    // The file's size in bytes (the position is kept).
    std::int64_t size();
    // True once a read has found the end of the file: every read after it
    // gives zeros (until a seek).
    bool exhausted() const { return exhausted_; }

private:
    const MusicFileCallbacks& callbacks_;
    void* handle_;
    bool exhausted_ = false;
};

// Little-endian values inside a block of bytes already read.
inline std::uint16_t littleU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}
inline std::uint32_t littleU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(littleU16(bytes)) | static_cast<std::uint32_t>(littleU16(bytes + 2)) << 16;
}
