#pragma once
// Command-line options. With none the show runs as designed: full screen,
// with sound and message boxes.
#include <optional>
#include <string>
#include <vector>

struct Shot {
    float demoTime = 0.0f;  // ms; the first frame at or after it is written
    std::string path;       // empty: print the frame's hash on stdout instead
};

struct Options {
    bool windowed = false;
    bool dialogs = true;
    bool pacing = true;         // the window shows at most one frame per refresh
    bool headless = false;
    int fps = 60;               // headless frames per second
    std::vector<Shot> shots;    // headless only; the run ends after the last
    std::optional<float> start; // demo time (ms) of the first frame shown
    std::optional<float> stop;  // headless: the run ends at the first frame at or after it
    std::string capturePath;    // headless only: whole-show video through ffmpeg
    int threads = 0;            // drawing threads; 0: one per hardware thread
    bool benchmark = false;     // headless, timed, the whole show
    std::string benchmarkJson;  // benchmark figures as JSON here too
    int captureScale = 0;       // whole factor 1..6; 0: the largest that fits the size
    int captureWidth = 0;       // the video frame (letterboxed); 0: the scaled picture
    int captureHeight = 0;
    std::string captureArgs;    // extra ffmpeg options
    double audioHashSeconds = 0;  // > 0: print the hash of the song's first seconds, and nothing else
    bool help = false;
    bool version = false;
};

struct OptionsResult {
    Options options;
    std::string error;  // empty when the arguments were understood
};

OptionsResult parseOptions(const std::vector<std::string>& arguments);
const char* usageText();
