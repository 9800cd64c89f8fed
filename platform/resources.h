#pragma once
// Assets compiled into the executable (song, figure, fonts), looked up by number.
#include <cstddef>

struct ResourceEntry {
    int id;
    const unsigned char* data;
    unsigned long size;
};

struct ResourceData {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

// Resource numbers: 102 the song, 103 the figure's skin, 104..108 its poses,
// 900..902 the font faces of the lettering, 910 the lettering baked from them.
enum ResourceId {
    kSongResource = 102,
    kSkinResource = 103,
    kSerifFontResource = 900,
    kSerifBoldFontResource = 901,
    kMonoFontResource = 902,
    kLetteringResource = 910,  // the baked lettering of builds without a font engine
};

// The bytes of resource id; empty when the executable has no such resource.
ResourceData findResource(int id);

// Generated at build time; ends with an entry of id 0.
extern const ResourceEntry resourceTable[];
