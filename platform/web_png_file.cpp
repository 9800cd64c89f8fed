// The browser build has no files. Its one picture destination is the page's
// canvas: a shot written to "canvas" is drawn there (the test modes show the
// frame they hash that way); any other path is refused.
#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "platform/png_file.h"
#include "platform/web_canvas_pixels.h"

namespace {

EM_JS(int, drawOnCanvas, (const void* rgba, int width, int height), {
    const canvas = document.getElementById("canvas");
    if (!canvas) return 0;
    canvas.width = width;
    canvas.height = height;
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    canvas.getContext("2d").putImageData(new ImageData(new Uint8ClampedArray(bytes), width, height), 0, 0);
    return 1;
});

}  // namespace

bool writePng(const std::string& path, const std::uint32_t* pixels, int width, int height) {
    if (path != "canvas") {
        std::fprintf(stderr, "cannot write %s: the browser build has no files\n", path.c_str());
        return false;
    }
    std::vector<std::uint32_t> rgba(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        rgba[i] = canvasPixel(pixels[i]);
    }
    return drawOnCanvas(rgba.data(), width, height) != 0;
}

bool readPng(const std::string&, std::vector<std::uint32_t>&, int&, int&) { return false; }
