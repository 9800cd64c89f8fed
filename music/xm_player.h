#pragma once
// The XM player's public interface: file access through five routines the
// application registers, loading, playing and the position queries the demo
// clock follows, and the wave output that a thread of the player refills.
#include <cstdint>
#include <memory>

class WaveOutput;
struct XmSong;

// The five file routines the loader reads through (all set, or all null).
using XmOpenFn = void* (*)(const char* name);
using XmCloseFn = void (*)(void* handle);
using XmReadFn = std::int32_t (*)(void* destination, std::int32_t count, void* handle);
using XmSeekFn = void* (*)(void* handle, std::int32_t offset, std::uint8_t origin);
using XmTellFn = std::int32_t (*)(void* handle);
// Optional: fills a sample's bytes in place of the file's (no delta decoding then).
using XmSampleDecoder = void (*)(void* destination, std::int32_t byteCount, int bits, int instrument, int sample);

struct MusicFileCallbacks {
    XmOpenFn open = nullptr;
    XmCloseFn close = nullptr;
    XmReadFn read = nullptr;
    XmSeekFn seek = nullptr;
    XmTellFn tell = nullptr;
};

void xmSetFileCallbacks(XmOpenFn open, XmCloseFn close, XmReadFn read, XmSeekFn seek, XmTellFn tell);
XmSong* xmLoad(const char* name, XmSampleDecoder sampleDecoder);

bool xmPlay(XmSong* song);
bool xmStop(XmSong* song);
bool xmFree(XmSong* song);
std::int32_t xmGetTimeMs(const XmSong* song);
std::int32_t xmGetRow(const XmSong* song);
std::int32_t xmGetOrder(const XmSong* song);

bool xmSetBufferLength(std::int32_t ms);
bool xmStartOutput(std::int32_t rate);
void xmStopOutput();

// The device the next xmStartOutput opens (not owned). Null selects the
// system's sound device. A virtual device gets no output thread: its driver
// calls xmServiceOutput after advancing it.
void xmSetWaveOutput(WaveOutput* output);
// Makes the system's sound device, which xmStartOutput opens when no device
// was chosen. Only programs that play to the system set it (the show, xmplay:
// they link the device back ends); without it such a start fails, as on a
// machine without sound.
void xmSetSystemWaveOutput(std::unique_ptr<WaveOutput> (*make)());
// Runs the output loop's body (without its sleep) until it mixes nothing more;
// returns the number of fragments mixed. For virtual devices.
int xmServiceOutput();

// Positioning the playing songs, for starting part-way: mixes count fragments
// exactly as the output would, but plays none of them, so every song's clock,
// channels and voices move on as if they had been heard. Until
// xmQueueSkipped the output mixes nothing by itself.
void xmSkipFragments(std::int32_t count);
// Ends the positioning: the ring gets the last ring's worth of the skipped
// fragments, laid out around the device's position as in a run that had
// played them, so what is heard next is the song from there on.
void xmQueueSkipped();
