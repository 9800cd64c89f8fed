#pragma once
// The output side shared with the sequencer and the player control: the voice
// pool, the output rate and the lock held while one fragment is mixed.
#include <cstdint>
#include <mutex>

struct MixVoice;

// 256 voices while the output runs; null otherwise.
extern MixVoice* voicePool;
// Frames per second of the output (as given to xmStartOutput; 44100 before any start).
std::int32_t outputRate();
// Held by the output for the mixing of one fragment; every control operation
// that changes a song, a voice or the song list takes it first.
std::mutex& mixingLock();

// Frames of one 20 ms fragment and of the whole ring, as set by the last
// successful xmStartOutput (0 before).
std::int32_t fragmentFrames();
std::int32_t ringFrames();
// Length of a gain ramp at the output rate (128 frames at 44,100 Hz), and its inverse.
std::int32_t rampFrames();
float inverseRampFrames();
