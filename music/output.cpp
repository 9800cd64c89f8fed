// The wave output: one looping ring of 16-bit stereo frames that the device
// plays forever, refilled one 20 ms fragment at a time right after the device
// has played it. A thread of its own watches a real device; a virtual device
// is serviced by whoever advances it.
#include "music/output.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

#include "music/mix_voice.h"
#include "music/sequencer.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/thread_priority.h"
#include "platform/wave_output.h"

MixVoice* voicePool = nullptr;

namespace {
constexpr int kVoiceCount = 256;
constexpr std::int32_t kLowestRate = 1000;
constexpr std::int32_t kHighestRate = 1000000;
constexpr std::int64_t kLargestRing = std::int64_t{1} << 26;  // frames; over 25 minutes at 44,100 Hz
constexpr auto kPollInterval = std::chrono::milliseconds(2);

using MixerRoutine = void (*)(float* destination, MixVoice* voiceList, std::int32_t frames);
using ConverterRoutine = void (*)(std::int16_t* destination, const float* source, std::int32_t frames);

struct MixBufferDelete {
    void operator()(float* buffer) const { ::operator delete[](buffer, std::align_val_t{16}); }
};

struct Output {
    WaveOutput* chosenDevice = nullptr;         // from xmSetWaveOutput; null = the system's device
    std::unique_ptr<WaveOutput> (*makeSystemDevice)() = nullptr;
    std::unique_ptr<WaveOutput> defaultDevice;  // the system's, opened when nothing else was chosen
    WaveOutput* device = nullptr;               // the open device while the output runs

    std::int32_t rate = 44100;
    float inverseRate = 1.0f / 44100;
    std::int32_t bufferMs = 200;
    std::int32_t fragmentFrames = 0;
    std::int32_t ringFrames = 0;
    std::int32_t fragments = 0;
    std::int32_t rampFrames = 128;
    float inverseRampFrames = 1.0f / 128;

    std::unique_ptr<float[], MixBufferDelete> mixBuffer;  // 16-byte aligned
    std::unique_ptr<std::int16_t[]> ring;
    std::unique_ptr<MixVoice[]> voices;
    MixVoice* voiceList = nullptr;
    MixerRoutine mixer = nullptr;
    ConverterRoutine converter = nullptr;
    std::int32_t writeFragment = 0;
    // Fragments mixed by xmSkipFragments since the songs began to be
    // positioned; -1 while the output plays as usual.
    std::int64_t skipped = -1;

    std::thread thread;
    std::atomic<bool> stopRequested{false};

    // A program may end without stopping the output: neither the thread nor
    // the default device may outlive the ring they read.
    ~Output() {
        stopRequested.store(true, std::memory_order_release);
        if (thread.joinable()) thread.join();
        if (defaultDevice) defaultDevice->close();
    }
};

Output output;

// Lets every playing song run its ticks for one fragment, mixing each tick's
// frames into slice.
void mixSongs(float* slice) {
    const std::int32_t frames = output.fragmentFrames;
    std::fill(slice, slice + 2 * frames, 0.0f);
    for (XmSong* song = playingSongs.next; song != &playingSongs; song = song->next) {
        if (!song->playing) continue;
        std::int32_t left = song->framesLeftInTick;
        std::int32_t done = 0;
        while (done < frames) {
            if (left <= 0) {
                if (song->tickHandler != nullptr) song->tickHandler(song);
                // A tick lasts at least a frame, so a song with a broken tempo
                // cannot keep the mixer ticking without mixing.
                left = std::max(song->framesPerTick, 1);
            }
            const std::int32_t n = std::min(left, frames - done);
            output.mixer(slice + 2 * done, output.voiceList, n);
            done += n;
            left -= n;
            const float time = song->timeSeconds.load(std::memory_order_relaxed);
            song->timeSeconds.store(static_cast<float>(time + n * static_cast<double>(output.inverseRate)),
                                    std::memory_order_relaxed);
        }
        song->framesLeftInTick = left;
    }
}

float* mixSlice(std::int32_t w) { return output.mixBuffer.get() + 2 * static_cast<std::size_t>(w) * output.fragmentFrames; }
std::int16_t* ringSlice(std::int32_t w) { return output.ring.get() + 2 * static_cast<std::size_t>(w) * output.fragmentFrames; }

// Mixes fragment w and converts it into the ring.
void mixFragment(std::int32_t w) {
    mixSongs(mixSlice(w));
    output.converter(ringSlice(w), mixSlice(w), output.fragmentFrames);
}

// True when the device is about to play fragment w: it is the one being
// played, or the device's copy in flight reaches into it.
bool aboutToPlay(std::int32_t w, std::uint64_t played) {
    const auto cursor = static_cast<std::int64_t>(played % output.ringFrames);
    const std::int64_t start = static_cast<std::int64_t>(w) * output.fragmentFrames;
    if (cursor >= start && cursor < start + output.fragmentFrames) return true;
    const std::int64_t ahead = (start - cursor + output.ringFrames) % output.ringFrames;
    return ahead < output.device->framesInFlight();
}

// One pass of the output loop: mixes the next fragment if the device has moved
// past it. While the device plays fragment 0 or 1 any other fragment may be
// written; from fragment 2 on only those below the one being played. Never
// one the device is about to play, even by a writer a whole ring behind.
bool mixDueFragment() {
    std::lock_guard<std::mutex> lock(mixingLock());
    if (output.skipped >= 0) return false;  // the songs are being positioned
    const std::uint64_t played = output.device->framesPlayed();
    const auto p = static_cast<std::int32_t>((played % output.ringFrames) / output.fragmentFrames);
    const std::int32_t w = output.writeFragment;
    if (!(w < p || p <= 1) || aboutToPlay(w, played)) return false;
    mixFragment(w);
    output.device->publish();
    output.writeFragment = w + 1 == output.fragments ? 0 : w + 1;
    return true;
}

void outputThread() {
    raiseThreadPriority();
    while (!output.stopRequested.load(std::memory_order_acquire)) {
        mixDueFragment();
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool allocateBuffers() {
    const auto frames = static_cast<std::size_t>(output.ringFrames);
    auto* mix = static_cast<float*>(
        ::operator new[](frames * 2 * sizeof(float), std::align_val_t{16}, std::nothrow));
    output.mixBuffer.reset(mix);
    output.ring.reset(new (std::nothrow) std::int16_t[frames * 2]());
    output.voices.reset(new (std::nothrow) MixVoice[kVoiceCount]());
    if (!mix || !output.ring || !output.voices) return false;
    std::fill(mix, mix + frames * 2, 0.0f);
    return true;
}

void linkVoices() {
    MixVoice* voices = output.voices.get();
    for (int i = 0; i < kVoiceCount; ++i) {
        voices[i].index = i;
        voices[i].prev = i > 0 ? &voices[i - 1] : nullptr;
        voices[i].next = i + 1 < kVoiceCount ? &voices[i + 1] : nullptr;
    }
    output.voiceList = voices;
    voicePool = voices;
}

void releaseBuffers() {
    output.voiceList = nullptr;
    voicePool = nullptr;
    output.voices.reset();
    output.mixBuffer.reset();
    output.ring.reset();
}

// False when the ring for this rate and buffer length would be absurdly large.
bool setSizes(std::int32_t rate) {
    const std::int32_t fragment = (rate * 20 / 1000 + 3) & ~3;
    const std::int32_t fragments = output.bufferMs / 20 * 2;
    if (static_cast<std::int64_t>(fragments) * fragment > kLargestRing) return false;
    output.rate = rate;
    output.inverseRate = static_cast<float>(1.0 / rate);
    output.fragmentFrames = fragment;
    output.fragments = fragments;
    output.ringFrames = fragments * fragment;
    output.rampFrames = std::max(static_cast<std::int32_t>(static_cast<std::int64_t>(rate) * 128 / 44100), 1);
    output.inverseRampFrames = static_cast<float>(1.0 / output.rampFrames);
    return true;
}
}  // namespace

std::int32_t outputRate() { return output.rate; }
std::int32_t fragmentFrames() { return output.fragmentFrames; }
std::int32_t ringFrames() { return output.ringFrames; }
std::int32_t rampFrames() { return output.rampFrames; }
float inverseRampFrames() { return output.inverseRampFrames; }

std::mutex& mixingLock() {
    static std::mutex lock;
    return lock;
}

bool xmSetBufferLength(std::int32_t ms) {
    output.bufferMs = std::max(ms, 20) / 20 * 20;
    return true;
}

void xmSetWaveOutput(WaveOutput* device) { output.chosenDevice = device; }

void xmSetSystemWaveOutput(std::unique_ptr<WaveOutput> (*make)()) { output.makeSystemDevice = make; }

bool xmStartOutput(std::int32_t rate) {
    if (!fileCallbacksSet()) return false;
    xmStopOutput();
    if (rate < kLowestRate || rate > kHighestRate) return false;

    WaveOutput* device = output.chosenDevice;
    if (device == nullptr) {
        if (output.makeSystemDevice == nullptr) return false;
        output.defaultDevice = output.makeSystemDevice();
        device = output.defaultDevice.get();
    }
    if (device == nullptr || !device->open(rate)) {
        output.defaultDevice.reset();
        return false;
    }
    if (!setSizes(rate) || !allocateBuffers()) {
        releaseBuffers();
        device->close();
        output.defaultDevice.reset();
        return false;
    }
    output.mixer = mixVoices;
    output.converter = convertToPcm16;
    linkVoices();
    output.writeFragment = 0;
    output.skipped = -1;
    output.device = device;
    device->play(output.ring.get(), static_cast<std::uint32_t>(output.ringFrames));

    for (XmSong* song = playingSongs.next; song != &playingSongs; song = song->next) {
        samplesPerTick(song, song->bpm);
    }
    output.stopRequested.store(false, std::memory_order_release);
    if (!device->isVirtual()) output.thread = std::thread(outputThread);
    return true;
}

void xmStopOutput() {
    output.stopRequested.store(true, std::memory_order_release);
    if (output.thread.joinable()) output.thread.join();
    // Playing songs hold pointers to the voices released below; stop them
    // while the voices still exist.
    if (voicePool != nullptr) {
        for (XmSong* song = playingSongs.next; song != &playingSongs;) {
            XmSong* next = song->next;
            xmStop(song);
            song = next;
        }
    }
    std::lock_guard<std::mutex> lock(mixingLock());
    output.mixer = nullptr;
    if (output.device != nullptr) output.device->close();
    output.device = nullptr;
    output.defaultDevice.reset();
    releaseBuffers();
}

int xmServiceOutput() {
    if (output.device == nullptr || !output.device->isVirtual()) return 0;
    int mixed = 0;
    while (mixDueFragment()) ++mixed;
    return mixed;
}

void xmSkipFragments(std::int32_t count) {
    std::lock_guard<std::mutex> lock(mixingLock());
    if (output.device == nullptr) return;
    if (output.skipped < 0) output.skipped = 0;
    // The mix buffer keeps the last ring's worth of them, one per slot.
    for (std::int32_t i = 0; i < count; ++i, ++output.skipped) {
        mixSongs(mixSlice(static_cast<std::int32_t>(output.skipped % output.fragments)));
    }
}

void xmQueueSkipped() {
    std::lock_guard<std::mutex> lock(mixingLock());
    if (output.device == nullptr || output.skipped < 0) return;
    // As in a run that played all along: the fragment the device plays now
    // holds the oldest of the last ring's worth, the ones after it the rest in
    // order, and the writer refills it once the device has moved on.
    // The fragments the device is about to play (the one it is in, and what
    // its copy in flight reaches) are left as they are: writing them would
    // race the device's copy; at most a few tens of ms stay silent.
    const std::uint64_t played = output.device->framesPlayed();
    const auto p = static_cast<std::int32_t>((played % output.ringFrames) / output.fragmentFrames);
    for (std::int32_t i = 0; i < output.fragments; ++i) {
        const std::int64_t fragment = output.skipped - output.fragments + i;
        const std::int32_t slot = (p + i) % output.fragments;
        if (aboutToPlay(slot, played)) continue;
        std::int16_t* destination = ringSlice(slot);
        if (fragment < 0) {
            std::fill(destination, destination + 2 * output.fragmentFrames, std::int16_t{0});
        } else {
            output.converter(destination, mixSlice(static_cast<std::int32_t>(fragment % output.fragments)),
                             output.fragmentFrames);
        }
    }
    output.device->publish();
    output.writeFragment = p;
    output.skipped = -1;
}
