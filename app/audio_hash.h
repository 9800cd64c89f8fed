#pragma once
// The fingerprint of the song's sound, the same on every platform: the first
// seconds of the embedded song mixed on a virtual device exactly as xmrender
// --seconds renders them (its shortest ring, the ring's initial silence left
// out), hashed with 64-bit FNV-1a over the 16-bit little-endian samples, left
// then right. A native run and a browser run can be checked against each other.
#include <cstdint>

// Mixes and hashes; false (with a message on stderr) when the player cannot start.
bool songAudioHash(double seconds, std::uint64_t& hash);
