// Mixing speed of the player as a multiple of real time: whole modules played
// through the sequencer and mixer on a virtual device, and the bare mixer.
//
// With QORBT_BENCH_MODULE_DIR set, the generated modules are also written
// there (bench/compare_players.sh plays them with other players).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/resource_file.h"
#include "bench/bench_module.h"
#include "music/mix_voice.h"
#include "music/output.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/resources.h"
#include "platform/wave_output.h"

namespace {
constexpr int kRate = 44100;
constexpr int kSecondsPerIteration = 10;

void writeModule(const std::vector<unsigned char>& bytes, const char* name) {
    const char* dir = std::getenv("QORBT_BENCH_MODULE_DIR");
    if (dir == nullptr) return;
    const std::string path = std::string(dir) + "/" + name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// Plays the module from its start; every iteration mixes ten seconds of it.
void playModule(benchmark::State& state, const unsigned char* bytes, std::size_t size) {
    resServeBytes(bytes, static_cast<std::int32_t>(size));
    xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
    VirtualWaveOutput device;
    xmSetWaveOutput(&device);
    xmSetBufferLength(4038);
    XmSong* song = nullptr;
    if (!xmStartOutput(kRate) || (song = xmLoad("bench", nullptr)) == nullptr) {
        state.SkipWithError("the module does not play");
        xmStopOutput();
        xmSetWaveOutput(nullptr);
        return;
    }
    xmPlay(song);
    const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
    const int fragments = kSecondsPerIteration * kRate / static_cast<int>(fragment);
    for (auto _ : state) {
        for (int i = 0; i < fragments; ++i) {
            device.advance(fragment);
            xmServiceOutput();
        }
    }
    const double seconds = static_cast<double>(fragments) * fragment / kRate;
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    xmFree(song);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
    resServeBytes(nullptr, 0);
}

void BM_PlayBenchModule(benchmark::State& state) {
    const bool effects = state.range(0) != 0;
    const std::vector<unsigned char> module = makeBenchModule(effects);
    writeModule(module, effects ? "bench_effects.xm" : "bench_plain.xm");
    state.SetLabel(effects ? "18 channels, envelopes, vibrato, slides" : "18 channels, notes only");
    playModule(state, module.data(), module.size());
}
BENCHMARK(BM_PlayBenchModule)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlayShowSong(benchmark::State& state) {
    const ResourceData song = findResource(kSongResource);
    if (!song) {
        state.SkipWithError("no embedded song");
        return;
    }
    playModule(state, song.data, song.size);
}
BENCHMARK(BM_PlayShowSong)->Unit(benchmark::kMillisecond)->UseRealTime();

// The mixer alone: 18 voices on looped samples at assorted steps, one 884-frame
// fragment per iteration. Ramped or steady gains.
void BM_MixVoices(benchmark::State& state) {
    const bool ramps = state.range(0) != 0;
    std::vector<std::int16_t> frames(4096 + 8);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<std::int16_t>((i * 2654435761u) >> 17);
    XmSample sample;
    sample.data = frames.data();
    sample.length = 4096;
    sample.loopStart = 0;
    sample.loopLength = 4096;
    sample.loopType = 2;
    std::vector<MixVoice> voices(18);
    for (int i = 0; i < 18; ++i) {
        MixVoice& v = voices[static_cast<std::size_t>(i)];
        v = MixVoice{};
        v.index = i;
        v.next = i + 1 < 18 ? &voices[static_cast<std::size_t>(i) + 1] : nullptr;
        voiceSetFrequency(&v, 8363 + 2917 * i);
        voiceSetVolume(&v, 100);
        voiceSetPanning(&v, 14 * i);
        v.levelLeft = v.gainLeft;
        v.levelRight = v.gainRight;
        voiceStart(&v, &sample);
    }
    std::vector<float> mix(2 * 884 + 4);
    int turn = 0;
    for (auto _ : state) {
        if (ramps) {
            ++turn;
            for (MixVoice& v : voices) voiceSetVolume(&v, (turn & 1) ? 40 : 100);
        }
        mixVoices(mix.data(), voices.data(), 884);
        benchmark::DoNotOptimize(mix.data());
    }
    state.counters["voice_frames"] =
        benchmark::Counter(18.0 * 884 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixVoices)->Arg(0)->Arg(1);
}  // namespace
