// The browser build writes no files: shots are hashed instead (?shot=T).
#include <cstdio>

#include "platform/png_file.h"

bool writePng(const std::string& path, const std::uint32_t*, int, int) {
    std::fprintf(stderr, "cannot write %s: the browser build has no files\n", path.c_str());
    return false;
}

bool readPng(const std::string&, std::vector<std::uint32_t>&, int&, int&) { return false; }
