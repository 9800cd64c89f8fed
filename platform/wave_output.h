#pragma once
// Sound output: plays one looping ring of 16-bit stereo frames, starting
// silent, and reports how many frames it has played so far.
#include <atomic>
#include <cstdint>
#include <memory>

class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    // Opens the device for 16-bit stereo at rate frames per second; false when there is none.
    virtual bool open(int rate) = 0;
    // Plays ring (frames stereo frames, left then right) over and over from its
    // first frame. The caller keeps the ring alive until close().
    virtual void play(const std::int16_t* ring, std::uint32_t frames) = 0;
    // Frames played since play(); 64 bits, so it never wraps.
    virtual std::uint64_t framesPlayed() const = 0;
    // Stops playing and closes the device; harmless when repeated.
    virtual void close() = 0;
    // Called by the writer after it has written part of the ring: a release
    // that the device's reader acquires before it copies from the ring.
    virtual void publish() {}
    // Frames past framesPlayed() that the device may be copying right now (its
    // reader counts them as played only when the copy is done); the writer
    // keeps out of them.
    virtual std::uint32_t framesInFlight() const { return 0; }
    // A virtual device moves only when told to; whoever drives it also services
    // the player's mixer on its own thread, so a run is deterministic.
    virtual bool isVirtual() const { return false; }
};

// The routine that services the player for the platform's own device. The
// player refills its ring only between services, so a device that plays by
// itself without a thread of the player's (the browser's) calls it after each
// block it takes: the device then never runs past the writer, however long
// its owner goes without servicing it. Devices with a thread of the player's
// ignore it. Null: none.
void setWaveOutputService(void (*service)());
void (*waveOutputService())();

// The system's own sound devices live in the device back ends (the library
// qorbt_devices), which only the programs that play to the system link.
// The default sound device through SDL2 audio; open() fails when there is none.
std::unique_ptr<WaveOutput> makeSdlWaveOutput();
// The platform's own sound device: SDL2 audio natively, Web Audio in the browser.
std::unique_ptr<WaveOutput> makeDefaultWaveOutput();

// A device that plays only when advanced explicitly (headless runs, tests,
// rendering to files).
class VirtualWaveOutput : public WaveOutput {
public:
    bool open(int rate) override;
    void play(const std::int16_t* ring, std::uint32_t frames) override;
    std::uint64_t framesPlayed() const override { return played_.load(std::memory_order_acquire); }
    void close() override;
    bool isVirtual() const override { return true; }

    // Plays frames more; when playedOut is given, the frames played are copied
    // there (2 x frames samples).
    void advance(std::uint32_t frames, std::int16_t* playedOut = nullptr);
    int rate() const { return rate_; }
    bool isOpen() const { return open_; }

private:
    const std::int16_t* ring_ = nullptr;
    std::uint32_t ringFrames_ = 0;
    std::atomic<std::uint64_t> played_{0};
    int rate_ = 0;
    bool open_ = false;
};
