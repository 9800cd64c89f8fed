// Sound through SDL2 audio: the callback copies from the ring at its cursor
// and counts the frames it has handed to the device.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/wave_output.h"

namespace {

class SdlWaveOutput : public WaveOutput {
public:
    ~SdlWaveOutput() override { close(); }

    bool open(int rate) override {
        close();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        audioUp_ = true;
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SdlWaveOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            close();
            return false;
        }
        inFlight_ = have.samples;
        return true;
    }

    void play(const std::int16_t* ring, std::uint32_t frames) override {
        if (device_ == 0) return;
        SDL_LockAudioDevice(device_);
        ring_ = ring;
        ringFrames_ = frames;
        cursor_ = 0;
        played_.store(0, std::memory_order_release);
        SDL_UnlockAudioDevice(device_);
        SDL_PauseAudioDevice(device_, 0);
    }

    std::uint64_t framesPlayed() const override { return played_.load(std::memory_order_acquire); }
    void publish() override { published_.fetch_add(1, std::memory_order_release); }
    std::uint32_t framesInFlight() const override { return inFlight_; }

    void close() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        device_ = 0;
        ring_ = nullptr;
        ringFrames_ = 0;
        if (audioUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioUp_ = false;
    }

private:
    static void callback(void* userdata, Uint8* stream, int length) {
        auto* self = static_cast<SdlWaveOutput*>(userdata);
        auto* out = reinterpret_cast<std::int16_t*>(stream);
        std::uint32_t frames = static_cast<std::uint32_t>(length) / 4;
        // Whatever the writer published before now is visible to the copy below.
        self->published_.load(std::memory_order_acquire);
        if (self->ring_ == nullptr || self->ringFrames_ == 0) {
            std::memset(stream, 0, static_cast<std::size_t>(length));
            return;
        }
        while (frames > 0) {
            const std::uint32_t n = std::min(frames, self->ringFrames_ - self->cursor_);
            std::memcpy(out, self->ring_ + 2 * self->cursor_, static_cast<std::size_t>(n) * 4);
            out += 2 * n;
            frames -= n;
            self->cursor_ = (self->cursor_ + n) % self->ringFrames_;
            self->played_.fetch_add(n, std::memory_order_acq_rel);
        }
    }

    SDL_AudioDeviceID device_ = 0;
    bool audioUp_ = false;
    const std::int16_t* ring_ = nullptr;
    std::uint32_t ringFrames_ = 0;
    std::uint32_t cursor_ = 0;
    std::atomic<std::uint64_t> played_{0};
    std::atomic<std::uint64_t> published_{0};
    std::uint32_t inFlight_ = 0;  // frames of one callback
};

}  // namespace

std::unique_ptr<WaveOutput> makeSdlWaveOutput() { return std::make_unique<SdlWaveOutput>(); }
