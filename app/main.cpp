// QORB T: a real-time audiovisual show. Takes the screen at 640x480, plays its
// own XM music through its own player and shows six software-rendered scenes
// locked to the music. Any key ends it.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/audio_hash.h"
#include "app/benchmark.h"
#include "app/demo_app.h"
#include "app/headless_driver.h"
#include "app/options.h"
#include "music/xm_player.h"
#include "platform/cpu_features.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/wave_output.h"
#include "platform/worker_pool.h"

#ifndef QORBT_VERSION
#define QORBT_VERSION "0.1.0"
#endif

int main(int argc, char** argv) {
    const OptionsResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "qorbt: %s\nTry 'qorbt --help'.\n", parsed.error.c_str());
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("qorbt %s\n", QORBT_VERSION);
        return 0;
    }

    if (options.audioHashSeconds > 0) {
        std::uint64_t hash = 0;
        if (!songAudioHash(options.audioHashSeconds, hash)) return 1;
        std::printf("audio %016llx\n", static_cast<unsigned long long>(hash));
        return 0;
    }
    // A show paced to the screen has time to spare: its workers sleep between passes.
    setWorkerThreads(options.threads > 0 ? options.threads : defaultWorkerThreads(), options.headless || !options.pacing);
    dialogs::setEnabled(options.dialogs && !options.headless);
    if (options.headless) {
        HeadlessDisplay display(false);
        VirtualWaveOutput device;
        xmSetWaveOutput(&device);
        int code = 0;
        {
            HeadlessDriver driver(device, options);
            BenchmarkDriver benchmark(driver);
            DemoApp app(display);
            code = app.run(options.benchmark ? static_cast<FrameDriver*>(&benchmark) : &driver, options.start);
            if (!driver.finish()) code = 1;
            if (options.benchmark && code == 0 &&
                !publishBenchmark(benchmark.report(workerPool().threadCount(), cpuFeatures::vectorPaths()),
                                  options.benchmarkJson))
                code = 1;
        }
        xmSetWaveOutput(nullptr);
        return code;
    }
    xmSetSystemWaveOutput(makeDefaultWaveOutput);
    const std::unique_ptr<Display> display = makeDefaultDisplay(DisplayOptions{options.windowed, options.pacing});
    DemoApp app(*display);
    return app.run(nullptr, options.start);
}
