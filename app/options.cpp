#include "app/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// The last demo time the show draws at (its last window ends at e = t + 100).
constexpr float kLastFrameTime = 163439.0f;

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

// "WxH" with even sides (the encoder halves the colour resolution), from
// 640x480 up to 8K.
bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    if (!parseInt(text.substr(0, x), width) || !parseInt(text.substr(x + 1), height)) return false;
    return width >= 640 && height >= 480 && width <= 7680 && height <= 4320 && width % 2 == 0 && height % 2 == 0;
}

}  // namespace

const char* usageText() {
    return "usage: qorbt [--window] [--no-dialogs] [--no-pacing] [--start T] [--threads N]\n"
           "       qorbt --headless [--start T] [--stop T] [--fps F] [--shot T:FILE.png]... [--hash T]...\n"
           "                [--capture FILE.mp4 [--scale N] [--capture-size WxH]\n"
           "                 [--capture-args 'FFMPEG OPTIONS']]\n"
           "       qorbt --benchmark [--benchmark-json FILE]\n"
           "       qorbt --audio-hash S\n"
           "\n"
           "Runs the show full screen with its music; any key ends it.\n"
           "\n"
           "  --window          a window instead of full screen, scaled by a whole factor\n"
           "  --no-dialogs      messages go to stderr only, no message boxes\n"
           "  --start T         start at demo time T ms: the frames before it are drawn\n"
           "                    unseen and the music is positioned exactly there\n"
           "  --no-pacing       draw frames as fast as possible instead of one per refresh\n"
           "  --headless        no window and no sound device: a deterministic run on a\n"
           "                    virtual clock at F frames per second, to the end of the\n"
           "                    show unless shots are asked for\n"
           "  --fps F           frames per second of a headless run (1..1000, default 60)\n"
           "  --shot T:FILE     write the 640x480 frame at demo time T ms (may be negative)\n"
           "                    as a PNG; repeatable; the run ends after the last shot\n"
           "  --hash T          print \"T HASH\" for the frame at demo time T ms: its 64-bit\n"
           "                    FNV-1a over the pixels' red, green, blue bytes; repeatable\n"
           "  --stop T          end a headless run after its first frame at or after T ms\n"
           "  --audio-hash S    print \"audio HASH\": the 64-bit FNV-1a of the song's first S\n"
           "                    seconds as xmrender --seconds S writes them (16-bit\n"
           "                    little-endian samples, left then right), and end\n"
           "  --capture FILE    write the whole show, picture and sound, to a video file\n"
           "                    through ffmpeg (H.264 yuv420p, AAC 192 kbit/s)\n"
           "  --scale N         capture at N times 640x480 (1..6), pixels kept sharp\n"
           "  --capture-size WxH  capture in a WxH frame (e.g. 1920x1080), the picture\n"
           "                    centred at the largest whole scale that fits, black around\n"
           "  --capture-args A  extra ffmpeg output options, e.g. '-c:v ffv1' for an .mkv\n"
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
        } else if (a == "--no-pacing") {
            o.pacing = false;
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
        } else if (a == "--start") {
            float start = 0.0f;
            if (!value(v) || !parseFloat(v, start) || start >= kLastFrameTime)
                return fail("--start needs a demo time T in milliseconds before the end of the show (163439)");
            o.start = start;
        } else if (a == "--stop") {
            float stop = 0.0f;
            if (!value(v) || !parseFloat(v, stop)) return fail("--stop needs a demo time T in milliseconds");
            o.stop = stop;
        } else if (a == "--scale") {
            if (!value(v) || !parseInt(v, o.captureScale) || o.captureScale < 1 || o.captureScale > 6)
                return fail("--scale needs a whole factor from 1 to 6");
        } else if (a == "--capture-size") {
            if (!value(v) || !parseSize(v, o.captureWidth, o.captureHeight))
                return fail("--capture-size needs WxH, even numbers from 640x480 to 7680x4320, got '" + v + "'");
        } else if (a == "--capture-args") {
            if (!value(v)) return fail("--capture-args needs the ffmpeg options in one argument");
            o.captureArgs = v;
        } else if (a == "--audio-hash") {
            float seconds = 0;
            if (!value(v) || !parseFloat(v, seconds) || !(seconds > 0 && seconds <= 3600))
                return fail("--audio-hash needs a number of seconds S, 0 < S <= 3600");
            o.audioHashSeconds = seconds;
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
        if (o.windowed || !o.shots.empty() || !o.capturePath.empty() || o.start || o.stop)
            return fail("--benchmark runs the whole show headless: no --window, --shot, --hash, --capture, "
                        "--start or --stop");
        o.headless = true;
    }
    if (!o.headless && (!o.shots.empty() || !o.capturePath.empty()))
        return fail(o.shots.empty() ? "--capture needs --headless" : "--shot and --hash need --headless");
    if (o.headless && o.windowed) return fail("--window and --headless exclude each other");
    if (!o.headless && o.stop) return fail("--stop needs --headless");
    if (o.start && o.stop && *o.stop < *o.start) return fail("--stop comes before --start");
    for (const Shot& shot : o.shots) {
        if (o.start && shot.demoTime < *o.start) return fail("a --shot or --hash before --start is never shown");
    }
    const bool captureOptions = o.captureScale != 0 || o.captureWidth != 0 || !o.captureArgs.empty();
    if (captureOptions && o.capturePath.empty()) return fail("--scale, --capture-size and --capture-args need --capture");
    if (o.captureWidth == 0) {
        o.captureScale = std::max(o.captureScale, 1);
    } else {
        // Without a scale, the largest whole factor that fits the frame.
        const int fits = std::min(o.captureWidth / 640, o.captureHeight / 480);
        if (o.captureScale == 0) o.captureScale = std::min(fits, 6);
        if (o.captureScale > fits)
            return fail("the picture scaled by " + std::to_string(o.captureScale) + " does not fit in " +
                        std::to_string(o.captureWidth) + "x" + std::to_string(o.captureHeight));
    }
    return result;
}
