// xmplay: plays an XM module through the sound device with the show's own
// player, showing one status line.
//
//   xmplay [-q] [--loop] [--seconds S] FILE.xm
//
// Keys: space pauses, left and right jump an order back or forward, q quits.
// The song ends where playback returns to an order it has already played.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "music/mix_voice.h"
#include "music/output.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/wave_output.h"

namespace {
const char* const kUsage =
    "usage: xmplay [-q] [--loop] [--seconds S] FILE.xm\n"
    "Plays an XM module through the sound device with the show's player.\n"
    "  -q, --quiet    no status line (shown only when stderr is a terminal)\n"
    "  --loop         keep playing where the song would end\n"
    "  --seconds S    stop after S seconds\n"
    "  -h, --help     this text\n"
    "Keys: space pause, left/right an order back/forward, q quit.\n";

constexpr int kRate = 44100;
constexpr std::int32_t kBufferMs = 100;   // a ring of 200 ms: keys act at once
constexpr double kLongestSongMs = 30 * 60 * 1000.0;

// ---- The five file routines over stdio.

void* fileOpen(const char* name) { return std::fopen(name, "rb"); }
void fileClose(void* handle) { std::fclose(static_cast<std::FILE*>(handle)); }
std::int32_t fileRead(void* destination, std::int32_t count, void* handle) {
    if (count <= 0) return 0;
    return static_cast<std::int32_t>(std::fread(destination, 1, static_cast<std::size_t>(count),
                                                static_cast<std::FILE*>(handle)));
}
void* fileSeek(void* handle, std::int32_t offset, std::uint8_t origin) {
    std::fseek(static_cast<std::FILE*>(handle), offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
    return handle;
}
std::int32_t fileTell(void* handle) { return static_cast<std::int32_t>(std::ftell(static_cast<std::FILE*>(handle))); }

// The 20-character name in the module's header, without trailing blanks.
std::string moduleName(const char* path) {
    char name[21] = {};
    if (std::FILE* f = std::fopen(path, "rb")) {
        if (std::fseek(f, 17, SEEK_SET) != 0 || std::fread(name, 1, 20, f) != 20) name[0] = '\0';
        std::fclose(f);
    }
    std::string text(name);
    for (char& c : text) c = (c < 32 || c > 126) ? ' ' : c;
    text.erase(text.find_last_not_of(' ') + 1);
    return text.empty() ? "(no name)" : text;
}

// ---- Where the song ends: the first return to an order already played.
// The tick handler runs on the output thread.

struct EndWatch {
    XmTickHandler tick = nullptr;
    bool visited[256] = {};
    std::atomic<std::int32_t> endMs{-1};  // the song time of the end; -1 = not reached
};
EndWatch watch;

void watchedTick(XmSong* song) {
    const bool newOrder = song->tick == 0 && song->nextOrder >= 0;
    watch.tick(song);
    const auto order = static_cast<std::uint8_t>(song->orderPosition.load());
    if (newOrder && watch.visited[order] && watch.endMs.load() < 0) watch.endMs.store(xmGetTimeMs(song));
    watch.visited[order] = true;
}

// Loads and plays the song, its ticks watched from the first.
XmSong* loadWatched(const char* path) {
    XmSong* song = xmLoad(path, nullptr);
    if (song == nullptr) return nullptr;
    for (bool& v : watch.visited) v = false;
    watch.endMs.store(-1);
    watch.tick = song->tickHandler;
    song->tickHandler = watchedTick;
    if (!xmPlay(song)) {
        xmFree(song);
        return nullptr;
    }
    return song;
}

// The song's length in ms, played silently on a virtual device; -1 when it
// does not end within 30 minutes. False when the player refuses the file.
bool songLengthMs(const char* path, std::int32_t& length) {
    VirtualWaveOutput device;
    xmSetWaveOutput(&device);
    xmSetBufferLength(20);
    length = -1;
    bool loaded = false;
    if (xmStartOutput(kRate)) {
        if (XmSong* song = loadWatched(path)) {
            loaded = true;
            while (watch.endMs.load() < 0 && xmGetTimeMs(song) < kLongestSongMs) {
                device.advance(static_cast<std::uint32_t>(fragmentFrames()));
                xmServiceOutput();
            }
            length = watch.endMs.load();
            xmFree(song);
        }
        xmStopOutput();
    }
    xmSetWaveOutput(nullptr);
    return loaded;
}

// ---- The terminal: raw keys, restored on every way out.

termios savedTerminal;
bool terminalRaw = false;
volatile std::sig_atomic_t stopSignal = 0;

void restoreTerminal() {
    if (terminalRaw) tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    terminalRaw = false;
}

void onSignal(int signal) { stopSignal = signal; }

void rawKeys() {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    std::signal(SIGQUIT, onSignal);  // ctrl-\ would otherwise leave the terminal raw
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
    termios raw = savedTerminal;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);  // signals stay on: ctrl-c ends cleanly
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    terminalRaw = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    std::atexit(restoreTerminal);
}

enum class Key { None, Pause, Back, Forward, Quit };

Key readKey() {
    if (!terminalRaw) return Key::None;
    char c = 0;
    if (read(STDIN_FILENO, &c, 1) != 1) return Key::None;
    if (c == ' ') return Key::Pause;
    if (c == 'q' || c == 'Q') return Key::Quit;
    if (c == '\033') {  // arrows: ESC [ C and ESC [ D
        char sequence[2] = {};
        if (read(STDIN_FILENO, sequence, 2) == 2 && sequence[0] == '[') {
            if (sequence[1] == 'C') return Key::Forward;
            if (sequence[1] == 'D') return Key::Back;
        }
    }
    return Key::None;
}

// ---- Playing.

struct Options {
    std::string path;
    bool quiet = false;
    bool loop = false;
    double seconds = 0;  // 0: until the end of the song
};

std::string clock(std::int32_t ms) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", ms / 60000, ms / 1000 % 60);
    return text;
}

int activeVoices(const XmSong* song) {
    int active = 0;
    for (int i = 0; i < song->channelCount; ++i) active += voicePool[i].sample != nullptr ? 1 : 0;
    return active;
}

// Jumps to the first row of the order by (-1 or +1) from the current one.
void jump(XmSong* song, int by) {
    std::lock_guard<std::mutex> lock(mixingLock());
    if (song->songLength <= 0) return;
    const int order = (song->orderPosition.load() + by + song->songLength) % song->songLength;
    song->nextOrder = order;
    song->nextRow = 0;
    // The end is where the song repeats itself from here on.
    for (bool& v : watch.visited) v = false;
    watch.endMs.store(-1);
}

int play(const Options& options, const std::string& name, std::int32_t lengthMs) {
    xmSetBufferLength(kBufferMs);
    if (!xmStartOutput(kRate)) {
        std::fprintf(stderr, "xmplay: no sound device\n");
        return 1;
    }
    XmSong* song = loadWatched(options.path.c_str());
    if (song == nullptr) {
        std::fprintf(stderr, "xmplay: %s does not play\n", options.path.c_str());
        xmStopOutput();
        return 1;
    }
    rawKeys();
    // The song's clock runs one ring ahead of what is heard.
    const auto leadMs = static_cast<std::int32_t>(static_cast<std::int64_t>(ringFrames()) * 1000 / kRate);
    bool paused = false;
    // The status line is rewritten in place, so only on a terminal.
    const bool status = !options.quiet && isatty(STDERR_FILENO) != 0;
    for (int turn = 0;; ++turn) {
        const Key key = readKey();
        if (key == Key::Quit || stopSignal != 0) break;
        if (key == Key::Pause) {
            std::lock_guard<std::mutex> lock(mixingLock());
            paused = !paused;
            song->playing = paused ? 0 : 1;
        }
        if (key == Key::Back || key == Key::Forward) jump(song, key == Key::Back ? -1 : 1);
        const std::int32_t heard = std::max(0, xmGetTimeMs(song) - leadMs);
        const std::int32_t end = watch.endMs.load();
        if (!options.loop && end >= 0 && heard >= end) break;
        if (options.seconds > 0 && heard >= options.seconds * 1000) break;
        if (status && turn % 5 == 0) {
            std::lock_guard<std::mutex> lock(mixingLock());
            std::fprintf(stderr, "\r%s  order %3d/%d  row %2d  %s / %s  voices %2d%s   ", name.c_str(),
                         song->orderPosition.load(), song->songLength, song->row.load(), clock(heard).c_str(),
                         lengthMs >= 0 ? clock(lengthMs).c_str() : "?", activeVoices(song), paused ? "  paused" : "");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (status) std::fputc('\n', stderr);
    restoreTerminal();
    xmFree(song);
    xmStopOutput();
    return stopSignal != 0 ? 128 + stopSignal : 0;
}

// Returns 0 to go on, otherwise the exit code (-1: success without playing).
int parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return -1;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--loop") {
            options.loop = true;
        } else if (arg == "--seconds") {
            char* end = nullptr;
            errno = 0;
            options.seconds = i + 1 < argc ? std::strtod(argv[++i], &end) : 0;
            if (end == nullptr || *end != '\0' || errno != 0 || !(options.seconds > 0) || options.seconds > 86400) {
                std::fprintf(stderr, "xmplay: --seconds needs a number of seconds above 0 (see --help)\n");
                return 2;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "xmplay: unknown option '%s' (see --help)\n", arg.c_str());
            return 2;
        } else if (options.path.empty()) {
            options.path = arg;
        } else {
            std::fprintf(stderr, "xmplay: one module at a time (see --help)\n");
            return 2;
        }
    }
    if (options.path.empty()) {
        std::fprintf(stderr, "xmplay: which module? (see --help)\n");
        return 2;
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int code = parseOptions(argc, argv, options); code != 0) return code < 0 ? 0 : code;
    if (std::FILE* f = std::fopen(options.path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        std::fprintf(stderr, "xmplay: cannot read %s: %s\n", options.path.c_str(), std::strerror(errno));
        return 1;
    }
    xmSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    xmSetSystemWaveOutput(makeDefaultWaveOutput);
    std::int32_t lengthMs = -1;
    if (!songLengthMs(options.path.c_str(), lengthMs)) {
        std::fprintf(stderr, "xmplay: %s is not an XM module the player accepts\n", options.path.c_str());
        return 1;
    }
    return play(options, moduleName(options.path.c_str()), lengthMs);
}
