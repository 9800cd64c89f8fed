#include "image2d/frame_buffer.h"

std::uint32_t* frameBuffer = nullptr;
std::uint32_t* viewport = nullptr;
