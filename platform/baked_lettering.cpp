#include "platform/baked_lettering.h"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'Q', 'L', 'B', '1'};

void put(std::vector<std::uint8_t>& out, std::int64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
}

struct Reader {
    const unsigned char* data;
    std::size_t size;
    std::size_t at = 0;
    bool ok = true;

    std::uint64_t get(int bytes) {
        if (size - at < static_cast<std::size_t>(bytes)) {
            ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(data[at + i]) << (8 * i);
        at += static_cast<std::size_t>(bytes);
        return value;
    }
    int getInt() { return static_cast<int>(static_cast<std::int32_t>(get(4))); }
};

}  // namespace

bool sameRequest(const FontRequest& a, const FontRequest& b) {
    return a.resourceId == b.resourceId && a.cellHeight == b.cellHeight && a.averageWidth == b.averageWidth &&
           a.semiBold == b.semiBold && a.monochrome == b.monochrome;
}

std::vector<std::uint8_t> encodeLettering(const std::vector<BakedText>& texts) {
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    put(out, static_cast<std::int64_t>(texts.size()), 4);
    for (const BakedText& t : texts) {
        std::uint64_t widthBits;
        std::memcpy(&widthBits, &t.request.averageWidth, sizeof widthBits);
        put(out, t.request.resourceId, 4);
        put(out, t.request.cellHeight, 4);
        put(out, static_cast<std::int64_t>(widthBits), 8);
        put(out, (t.request.semiBold ? 1 : 0) | (t.request.monochrome ? 2 : 0), 1);
        put(out, static_cast<std::int64_t>(t.text.size()), 2);
        out.insert(out.end(), t.text.begin(), t.text.end());
        for (int v : {t.width, t.baseline, t.left, t.top, t.columns, t.rows}) put(out, v, 4);
        out.insert(out.end(), t.coverage.begin(), t.coverage.end());
    }
    return out;
}

bool decodeLettering(const unsigned char* data, std::size_t size, std::vector<BakedText>& texts) {
    texts.clear();
    if (data == nullptr || size < 8 || std::memcmp(data, kMagic, 4) != 0) return false;
    Reader in{data, size, 4};
    const std::uint64_t count = in.get(4);
    for (std::uint64_t i = 0; i < count && in.ok; ++i) {
        BakedText t;
        t.request.resourceId = in.getInt();
        t.request.cellHeight = in.getInt();
        const std::uint64_t widthBits = in.get(8);
        std::memcpy(&t.request.averageWidth, &widthBits, sizeof widthBits);
        const std::uint64_t flags = in.get(1);
        t.request.semiBold = (flags & 1) != 0;
        t.request.monochrome = (flags & 2) != 0;
        const std::size_t length = in.get(2);
        if (!in.ok || size - in.at < length) return false;
        t.text.assign(reinterpret_cast<const char*>(data + in.at), length);
        in.at += length;
        t.width = in.getInt();
        t.baseline = in.getInt();
        t.left = in.getInt();
        t.top = in.getInt();
        t.columns = in.getInt();
        t.rows = in.getInt();
        if (!in.ok || t.columns < 0 || t.rows < 0) return false;
        // Compared by division: the product can overflow a 32-bit size_t (WebAssembly).
        const auto columns = static_cast<std::size_t>(t.columns), rows = static_cast<std::size_t>(t.rows);
        if (rows != 0 && columns > (size - in.at) / rows) return false;
        const std::size_t pixels = columns * rows;
        t.coverage.assign(data + in.at, data + in.at + pixels);
        in.at += pixels;
        texts.push_back(std::move(t));
    }
    return in.ok && in.at == size;
}
