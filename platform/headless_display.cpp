#include <algorithm>
#include <cstring>

#include "platform/display.h"

bool HeadlessDisplay::updateRows(const std::uint32_t* frameBuffer, int firstRow, int rowCount) {
    if (failing_ || firstRow < 0 || rowCount < 0 || firstRow + rowCount > kScreenHeight) return false;
    if (!screen_) return true;
    const std::size_t offset = static_cast<std::size_t>(firstRow) * kScreenWidth;
    std::memcpy(screen_.get() + offset, frameBuffer + offset,
                static_cast<std::size_t>(rowCount) * kScreenWidth * sizeof(std::uint32_t));
    return true;
}
