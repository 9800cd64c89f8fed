#include "app/audio_hash.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/resource_file.h"
#include "music/output.h"
#include "music/xm_player.h"
#include "platform/wave_output.h"

namespace {

constexpr int kRate = 44100;

void addSamples(std::uint64_t& hash, const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto s = static_cast<std::uint16_t>(samples[i]);
        for (const std::uint8_t byte : {static_cast<std::uint8_t>(s & 0xFFu), static_cast<std::uint8_t>(s >> 8)}) {
            hash ^= byte;
            hash *= 0x100000001b3ull;
        }
    }
}

}  // namespace

bool songAudioHash(double seconds, std::uint64_t& hash) {
    hash = 0xcbf29ce484222325ull;
    VirtualWaveOutput device;
    xmSetWaveOutput(&device);
    xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
    xmSetBufferLength(20);
    XmSong* song = nullptr;
    bool ok = xmStartOutput(kRate) && (song = xmLoad("noname", nullptr)) != nullptr && xmPlay(song);
    if (ok) {
        const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
        std::uint64_t silence = static_cast<std::uint64_t>(ringFrames());
        const auto target = static_cast<std::uint64_t>(seconds * kRate);
        std::vector<std::int16_t> played(2 * static_cast<std::size_t>(fragment));
        for (std::uint64_t written = 0; written < target;) {
            device.advance(fragment, played.data());
            if (silence > 0) {
                silence -= fragment;
            } else {
                const std::uint64_t n = std::min<std::uint64_t>(fragment, target - written);
                addSamples(hash, played.data(), static_cast<std::size_t>(2 * n));
                written += n;
            }
            xmServiceOutput();
        }
    } else {
        std::fprintf(stderr, "qorbt: the song does not play\n");
    }
    if (song != nullptr) xmFree(song);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
    return ok;
}
