// The loader's fuzz target: the bytes go through the memory file and the
// loader that xmrender uses. A module that loads plays a bounded stretch on a
// virtual device (enough ticks to reach effects, envelopes and loops), then
// it is stopped and freed. The output is started once and stays open across
// inputs, as in the show; its buffers are freed at exit.
//
// QORBT_FUZZ_RATE sets the output rate (default 44100); 8000 makes the
// mixer's steps larger.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/resource_file.h"
#include "music/output.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/wave_output.h"

namespace {
// Ticks played of a module that loads, and the audio that may take at most
// (a song at the slowest tempo reaches far fewer ticks in it).
constexpr int kTicks = 96;
constexpr int kLongestMs = 1000;

int fuzzRate() {
    static const int rate = [] {
        const char* text = std::getenv("QORBT_FUZZ_RATE");
        const int value = text != nullptr ? std::atoi(text) : 0;
        return value >= 8000 && value <= 192000 ? value : 44100;
    }();
    return rate;
}

// The virtual device and the output on it, started on the first input and
// stopped when the process exits.
VirtualWaveOutput device;

void startOutputOnce() {
    static const bool started = [] {
        xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
        xmSetWaveOutput(&device);
        xmSetBufferLength(20);
        if (!xmStartOutput(fuzzRate())) std::abort();
        std::atexit(xmStopOutput);
        return true;
    }();
    (void)started;
}

int ticksPlayed = 0;
XmTickHandler songTick = nullptr;

void countingTick(XmSong* song) {
    songTick(song);
    ticksPlayed += 1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The memory file's offsets are 32-bit; an empty file is refused before loading.
    if (size == 0 || size > (1u << 30)) return 0;
    startOutputOnce();
    resServeBytes(data, static_cast<std::int32_t>(size));
    XmSong* song = xmLoad("fuzz input", nullptr);
    resServeBytes(nullptr, 0);
    if (song != nullptr && xmPlay(song)) {
        songTick = song->tickHandler;
        song->tickHandler = countingTick;
        ticksPlayed = 0;
        const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
        const int fragments = kLongestMs / 20;
        for (int i = 0; i < fragments && ticksPlayed < kTicks; ++i) {
            device.advance(fragment);
            xmServiceOutput();
        }
    }
    xmFree(song);
    return 0;
}
