// Sound in the browser: Web Audio plays the ring from a ScriptProcessorNode
// on the page's own thread and counts the frames it has taken. There are no
// threads, so the player is serviced by its caller (the device reports itself
// as virtual): from the frame loop, and after each block the node takes. The
// frame loop alone is not enough: a slow frame, or a hidden page (no frames,
// the sound plays on), lets the device run past the writer's window at the
// ring's wrap, and the ring would replay its last lap for a whole lap.
#include <emscripten.h>

#include <memory>

#include "platform/wave_output.h"

namespace {

EM_JS(int, audioOpen, (int rate), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    try {
        Module.qorbtAudio = { context: new Context({sampleRate: rate}), played: 0 };
    } catch (e) {
        return 0;
    }
    return 1;
});

EM_JS(void, audioPlay, (const short* ring, int frames), {
    const audio = Module.qorbtAudio;
    // 512 frames (about 12 ms) a callback: the ring is refilled 20 ms at a time.
    const node = audio.context.createScriptProcessor(512, 0, 2);
    let cursor = 0;
    node.onaudioprocess = (event) => {
        const left = event.outputBuffer.getChannelData(0), right = event.outputBuffer.getChannelData(1);
        const samples = new Int16Array(HEAP16.buffer, ring, frames * 2);
        for (let i = 0; i < left.length; ++i) {
            left[i] = samples[2 * cursor] / 32768;
            right[i] = samples[2 * cursor + 1] / 32768;
            if (++cursor === frames) cursor = 0;
        }
        audio.played += left.length;
        _qorbtServiceWaveOutput();
    };
    node.connect(audio.context.destination);
    audio.node = node;
    audio.context.resume();
});

EM_JS(double, audioPlayed, (), { return Module.qorbtAudio ? Module.qorbtAudio.played : 0; });

EM_JS(void, audioClose, (), {
    const audio = Module.qorbtAudio;
    if (!audio) return;
    if (audio.node) audio.node.disconnect();
    audio.context.close();
    Module.qorbtAudio = null;
});

class WebWaveOutput : public WaveOutput {
public:
    bool open(int rate) override { return audioOpen(rate) != 0; }
    void play(const std::int16_t* ring, std::uint32_t frames) override {
        audioPlay(ring, static_cast<int>(frames));
    }
    std::uint64_t framesPlayed() const override { return static_cast<std::uint64_t>(audioPlayed()); }
    void close() override { audioClose(); }
    bool isVirtual() const override { return true; }
};

}  // namespace

// Called by the node after each block, only ever while the show's own code is
// suspended (waiting for the next animation frame or a page event) or done,
// as the page has one thread. It must not suspend itself: the player's
// service only mixes, under the player's lock, which no suspension holds.
extern "C" EMSCRIPTEN_KEEPALIVE void qorbtServiceWaveOutput() {
    if (void (*service)() = waveOutputService()) service();
}

std::unique_ptr<WaveOutput> makeWebWaveOutput() { return std::make_unique<WebWaveOutput>(); }
