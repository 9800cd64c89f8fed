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
