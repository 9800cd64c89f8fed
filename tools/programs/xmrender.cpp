// xmrender: renders an XM module to a 16-bit stereo WAV file through the
// show's own player and mixer, on a virtual wave device.
//
//   xmrender IN.xm OUT.wav [--seconds S] [--rate R]
//
// By default the song plays once: rendering ends where playback returns to an
// order position it has already played (the wrap to the restart position or a
// backward jump) or to a row with the same loop state as before (a song caught
// in its pattern loops), after 30 minutes at most.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include "app/resource_file.h"
#include "music/output.h"
#include "music/sequencer.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/wave_output.h"

static_assert(std::endian::native == std::endian::little, "WAV data is written as it lies in memory");

namespace {
constexpr double kLongestSeconds = 30 * 60;
constexpr long kLargestFile = 256L << 20;

const char* const kUsage =
    "usage: xmrender IN.xm OUT.wav [--seconds S] [--rate R]\n"
    "Renders an XM module to a 16-bit stereo WAV file with the show's player.\n"
    "  --seconds S  render S seconds (default: play the song once, at most 30 minutes)\n"
    "  --rate R     output rate in Hz, 8000..192000 (default 44100)\n";

// ---- The module's bytes, which the player reads through the memory file of
// app/resource_file.h.

struct ModuleBytes {
    std::unique_ptr<unsigned char[]> bytes;  // not zero-filled first: the file overwrites them
    std::size_t size = 0;
};

// False with error set when the file cannot be read whole.
bool readWholeFile(const char* path, ModuleBytes& module, std::string& error) {
    std::error_code kindError;
    if (std::filesystem::is_directory(path, kindError)) {
        error = "it is a directory";
        return false;
    }
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok && size > kLargestFile) {
        error = "file too large";
        std::fclose(f);
        return false;
    }
    if (ok) {
        module.size = static_cast<std::size_t>(size);
        module.bytes.reset(new unsigned char[module.size]);
        ok = std::fread(module.bytes.get(), 1, module.size, f) == module.size;
    }
    if (!ok) error = "read error";
    std::fclose(f);
    return ok;
}

// Takes bytes of heap from the system in one go, before the loader asks for
// them a sample at a time: the pages come in one call instead of a fault
// each (widened 8-bit samples take twice their bytes in the file).
void reserveHeap(std::size_t bytes) {
    constexpr std::size_t kSlack = 1 << 20;
    bytes += kSlack;
    // Large blocks from the heap, which keeps what is freed, not from maps of their own.
    constexpr int kLargestHeapBlock = 32 << 20;  // glibc's upper limit
    if (bytes >= kLargestHeapBlock) return;
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(std::min<std::size_t>(2 * bytes, 1 << 30)));
    void* block = std::malloc(bytes);
    if (block == nullptr) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
    std::free(block);
}

// Loads the module from its bytes; null when the player refuses it (an empty
// file is refused here: served bytes must not be null).
XmSong* loadModule(const ModuleBytes& module) {
    if (module.size == 0) return nullptr;
    resServeBytes(module.bytes.get(), static_cast<std::int32_t>(module.size));
    XmSong* song = xmLoad("module", nullptr);
    resServeBytes(nullptr, 0);
    return song;
}

// ---- Where the song first returns to a place it has played.

// The sequencer's whole position before a row tick: it alone decides the rows
// that follow, so when it repeats the song can only play what it has played.
std::uint64_t positionKey(const XmSong& song) {
    std::uint64_t key = 14695981039346656037ull;  // FNV-1a over the fields
    const auto mix = [&key](std::int64_t value) {
        for (int i = 0; i < 8; ++i) {
            key ^= static_cast<std::uint64_t>(value >> (8 * i)) & 0xFF;
            key *= 1099511628211ull;
        }
    };
    mix(song.orderPosition.load());
    mix(song.row);
    mix(song.nextOrder);
    mix(song.nextRow);
    for (std::int32_t i = 0; i < song.channelCount; ++i) {
        mix(song.channels[i].loopStartRow);
        mix(song.channels[i].loopCount);
    }
    return key;
}

struct PlayOnce {
    XmTickHandler tick = nullptr;  // the song's own handler
    bool visited[256] = {};
    std::unordered_set<std::uint64_t> positions;
    std::uint64_t frames = 0;    // frames of the ticks so far
    std::uint64_t endFrame = 0;  // 0 = not yet
};
PlayOnce playOnce;

// The song has looped when a row tick starts from a position already seen (a
// song caught in its own pattern loops), or a new order is one already played.
void tickOnce(XmSong* song) {
    const bool rowTick = song->tick == 0;
    const bool newOrder = rowTick && song->nextOrder >= 0;
    const bool repeated = rowTick && !playOnce.positions.insert(positionKey(*song)).second;
    if (playOnce.tick != nullptr) playOnce.tick(song);
    const auto order = static_cast<std::uint8_t>(song->orderPosition.load());
    if ((repeated || (newOrder && playOnce.visited[order])) && playOnce.endFrame == 0) {
        playOnce.endFrame = playOnce.frames;
    }
    playOnce.visited[order] = true;
    playOnce.frames += static_cast<std::uint64_t>(std::max(song->framesPerTick, 1));
}

// ---- The WAV file.

void putLittleEndian(std::FILE* f, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

void writeWavHeader(std::FILE* f, std::int32_t rate, std::uint64_t frames) {
    const auto dataBytes = static_cast<std::uint32_t>(frames * 4);
    std::fwrite("RIFF", 1, 4, f);
    putLittleEndian(f, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    putLittleEndian(f, 16, 4);
    putLittleEndian(f, 1, 2);  // PCM
    putLittleEndian(f, 2, 2);  // stereo
    putLittleEndian(f, static_cast<std::uint32_t>(rate), 4);
    putLittleEndian(f, static_cast<std::uint32_t>(rate) * 4, 4);
    putLittleEndian(f, 4, 2);
    putLittleEndian(f, 16, 2);
    std::fwrite("data", 1, 4, f);
    putLittleEndian(f, dataBytes, 4);
}

// ---- Options.

struct Options {
    std::string input, output;
    double seconds = 0;  // 0 = play once
    std::int32_t rate = 44100;
};

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && errno == 0;
}

// Returns 0 to go on, otherwise the exit code (after printing what went wrong).
int parseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        std::string name = arg, value;
        const auto equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        if (name == "--seconds" || name == "--rate") {
            if (equals == std::string::npos) {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "xmrender: %s needs a value (see --help)\n", name.c_str());
                    return 2;
                }
                value = argv[++i];
            }
            double number = 0;
            if (name == "--seconds") {
                if (!parseNumber(value, number) || !(number > 0) || number > kLongestSeconds) {
                    std::fprintf(stderr, "xmrender: --seconds wants a number above 0 and up to 1800, not '%s'\n",
                                 value.c_str());
                    return 2;
                }
                options.seconds = number;
            } else {
                if (!parseNumber(value, number) || number != static_cast<std::int32_t>(number) || number < 8000 ||
                    number > 192000) {
                    std::fprintf(stderr, "xmrender: --rate wants a whole number of Hz from 8000 to 192000, not '%s'\n",
                                 value.c_str());
                    return 2;
                }
                options.rate = static_cast<std::int32_t>(number);
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "xmrender: unknown option '%s' (see --help)\n", arg.c_str());
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "xmrender: expected IN.xm and OUT.wav (see --help)\n");
        return 2;
    }
    options.input = files[0];
    options.output = files[1];
    return 0;
}

class Progress {
public:
    void show(double renderedSeconds, double totalSeconds) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        if (elapsed < 1.0 || elapsed - lastShown_ < 0.25) return;
        lastShown_ = elapsed;
        shown_ = true;
        if (totalSeconds > 0) {
            std::fprintf(stderr, "\rxmrender: %.1f of %.1f s", renderedSeconds, totalSeconds);
        } else {
            std::fprintf(stderr, "\rxmrender: %.1f s", renderedSeconds);
        }
    }
    void finish() {
        if (shown_) std::fputc('\n', stderr);
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_ = Clock::now();
    double lastShown_ = 0;
    bool shown_ = false;
};

// Plays the song on the device until target frames (or the end of the first
// pass) are written. The device's first ring is the output's initial silence.
bool render(VirtualWaveOutput& device, std::FILE* out, const Options& options, std::uint64_t& written) {
    const auto rate = static_cast<std::uint64_t>(options.rate);
    const std::uint64_t limit =
        static_cast<std::uint64_t>((options.seconds > 0 ? options.seconds : kLongestSeconds) * rate);
    const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
    std::uint64_t silence = static_cast<std::uint64_t>(ringFrames());
    std::vector<std::int16_t> played(2 * static_cast<std::size_t>(fragment));
    Progress progress;
    written = 0;
    for (;;) {
        const bool once = options.seconds == 0;
        const std::uint64_t target = once && playOnce.endFrame != 0 ? std::min(limit, playOnce.endFrame) : limit;
        if (written >= target) break;
        device.advance(fragment, played.data());
        if (silence > 0) {
            silence -= fragment;
        } else {
            const std::uint64_t n = std::min<std::uint64_t>(fragment, target - written);
            if (std::fwrite(played.data(), 4, n, out) != n) return false;
            written += n;
        }
        xmServiceOutput();
        progress.show(static_cast<double>(written) / rate, once ? 0.0 : options.seconds);
    }
    progress.finish();
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int code = parseOptions(argc, argv, options); code != 0) return code < 0 ? 0 : code;

    // The heap for the file's bytes and then its samples (8-bit ones widen to twice their bytes).
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(options.input, sizeError);
    if (!sizeError && fileSize <= static_cast<std::uintmax_t>(kLargestFile)) reserveHeap(3 * fileSize);
    ModuleBytes module;
    std::string error;
    if (!readWholeFile(options.input.c_str(), module, error)) {
        std::fprintf(stderr, "xmrender: cannot read %s: %s\n", options.input.c_str(), error.c_str());
        return 1;
    }

    xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
    VirtualWaveOutput device;
    xmSetWaveOutput(&device);
    xmSetBufferLength(20);  // the shortest ring: the least silence before the song
    if (!xmStartOutput(options.rate)) {
        std::fprintf(stderr, "xmrender: cannot start the mixer at %d Hz\n", options.rate);
        return 1;
    }
    XmSong* song = loadModule(module);
    module = {};  // the song holds what it needs
    if (song == nullptr) {
        std::fprintf(stderr, "xmrender: %s is not an XM module the player accepts\n", options.input.c_str());
        xmStopOutput();
        return 1;
    }
    std::FILE* out = std::fopen(options.output.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "xmrender: cannot write %s: %s\n", options.output.c_str(), std::strerror(errno));
        xmFree(song);
        xmStopOutput();
        return 1;
    }

    if (!xmPlay(song)) {
        std::fprintf(stderr, "xmrender: %s does not play\n", options.input.c_str());
        std::fclose(out);
        xmFree(song);
        xmStopOutput();
        return 1;
    }
    playOnce.tick = song->tickHandler;
    song->tickHandler = tickOnce;
    // Large writes: stdio's default buffer would make one system call per 4 KiB.
    constexpr std::size_t kOutBuffer = 1 << 20;
    const std::unique_ptr<char[]> outBuffer(new char[kOutBuffer]);
    std::setvbuf(out, outBuffer.get(), _IOFBF, kOutBuffer);
    writeWavHeader(out, options.rate, 0);
    std::uint64_t frames = 0;
    bool ok = render(device, out, options, frames);
    ok = ok && std::fseek(out, 0, SEEK_SET) == 0;
    if (ok) writeWavHeader(out, options.rate, frames);
    ok = std::fclose(out) == 0 && ok;
    xmFree(song);
    xmStopOutput();
    if (!ok) {
        std::fprintf(stderr, "xmrender: writing %s failed\n", options.output.c_str());
        return 1;
    }
    return 0;
}
