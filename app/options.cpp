#include "app/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    value = static_cast<float>(v);
    return true;
}

bool parseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -1000000 || v > 1000000) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

const char* usageText() {
    return "usage: qorbt [--window] [--no-dialogs] [--threads N]\n"
           "       qorbt --headless [--fps F] [--shot T:FILE.png]... [--hash T]...\n"
           "                [--capture FILE.mp4] [--threads N]\n"
           "       qorbt --benchmark [--benchmark-json FILE] [--threads N]\n"
           "\n"
           "Runs the show full screen with its music; any key ends it.\n"
           "\n"
           "  --window          a window instead of full screen, scaled by a whole factor\n"
           "  --no-dialogs      messages go to stderr only, no message boxes\n"
           "  --headless        no window and no sound device: a deterministic run on a\n"
           "                    virtual clock at F frames per second, to the end of the\n"
           "                    show unless shots are asked for\n"
           "  --fps F           frames per second of a headless run (1..1000, default 60)\n"
           "  --shot T:FILE     write the 640x480 frame at demo time T ms (may be negative)\n"
           "                    as a PNG; repeatable; the run ends after the last shot\n"
           "  --hash T          print \"T HASH\" for the frame at demo time T ms: its 64-bit\n"
           "                    FNV-1a over the pixels' red, green, blue bytes; repeatable\n"
           "  --capture FILE    write the whole show, picture and sound, to a video file\n"
           "                    through ffmpeg\n"
           "  --benchmark       run the whole show headless as fast as it goes and print\n"
           "                    the loading time and each scene's frames, frames per\n"
           "                    second and frame times (median, 95th and 99th\n"
           "                    percentile, maximum)\n"
           "  --benchmark-json FILE  the same figures as JSON too (implies --benchmark)\n"
           "  --threads N       draw with N threads (1..64; default: one per hardware\n"
           "                    thread); every frame is the same whatever N\n"
           "  --help            this text\n"
           "  --version         the program's version\n";
}

OptionsResult parseOptions(const std::vector<std::string>& arguments) {
    OptionsResult result;
    Options& o = result.options;
    auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= arguments.size()) return false;
            out = arguments[++i];
            return true;
        };
        std::string v;
        if (a == "--window") {
            o.windowed = true;
        } else if (a == "--no-dialogs") {
            o.dialogs = false;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--fps") {
            if (!value(v) || !parseInt(v, o.fps) || o.fps < 1 || o.fps > 1000)
                return fail("--fps needs a whole number of frames per second from 1 to 1000");
        } else if (a == "--shot") {
            if (!value(v)) return fail("--shot needs T:FILE.png");
            const std::size_t colon = v.find(':');
            Shot shot;
            if (colon == std::string::npos || colon + 1 == v.size() || !parseFloat(v.substr(0, colon), shot.demoTime))
                return fail("--shot needs T:FILE.png with T in milliseconds, got '" + v + "'");
            shot.path = v.substr(colon + 1);
            o.shots.push_back(shot);
        } else if (a == "--hash") {
            Shot shot;
            if (!value(v) || !parseFloat(v, shot.demoTime))
                return fail("--hash needs a demo time T in milliseconds");
            o.shots.push_back(shot);
        } else if (a == "--capture") {
            if (!value(v) || v.empty()) return fail("--capture needs a file name");
            o.capturePath = v;
        } else if (a == "--benchmark") {
            o.benchmark = true;
        } else if (a == "--benchmark-json") {
            if (!value(v) || v.empty()) return fail("--benchmark-json needs a file name");
            o.benchmark = true;
            o.benchmarkJson = v;
        } else if (a == "--threads") {
            if (!value(v) || !parseInt(v, o.threads) || o.threads < 1 || o.threads > 64)
                return fail("--threads needs a whole number of threads from 1 to 64");
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else {
            return fail("unknown option '" + a + "'");
        }
    }
    if (o.benchmark) {
        if (o.windowed || !o.shots.empty() || !o.capturePath.empty())
            return fail("--benchmark runs the whole show headless: no --window, --shot, --hash or --capture");
        o.headless = true;
    }
    if (!o.headless && (!o.shots.empty() || !o.capturePath.empty()))
        return fail(o.shots.empty() ? "--capture needs --headless" : "--shot and --hash need --headless");
    if (o.headless && o.windowed) return fail("--window and --headless exclude each other");
    return result;
}
