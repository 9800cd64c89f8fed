#pragma once
// The in-memory records of a loaded XM song, and the sequencer's per-channel
// state. The loader fills them once; the sequencer and mixer use them as they
// are, so the mixer's loops never look at the file's format.
#include <atomic>
#include <cstdint>

#include "music/xm_player.h"

struct MixVoice;
struct XmChannel;

struct EnvelopePoint {
    std::uint16_t tick;
    std::uint16_t value;  // 0..64 in the file
};

struct XmSample {
    std::int16_t* data = nullptr;  // signed 16-bit frames, length + 8 frames allocated, zero-filled
    std::int32_t length = 0;       // frames
    std::int32_t loopStart = 0;    // frames
    std::int32_t loopLength = 0;   // frames; loopStart + loopLength is the loop end
    std::uint8_t volume = 0;       // default volume as stored (0..64 in a well-made file)
    std::int8_t finetune = 0;
    std::int32_t panning = 0;      // 0..255
    std::uint8_t bits = 0;         // 8 or 16 while loading, 16 after
    std::uint8_t loopType = 0;     // 1 none, 2 forward, 4 ping-pong
    std::int8_t relativeNote = 0;
};

struct XmInstrument {
    std::int32_t sampleCount = 0;  // 0..16
    XmSample* samples[16] = {};    // slots beyond sampleCount point to emptySample
    // From keymap to fadeout: the byte layout of the file's instrument header.
    std::uint8_t keymap[96] = {};
    EnvelopePoint volumeEnvelope[12] = {};
    EnvelopePoint panningEnvelope[12] = {};
    std::uint8_t volumePointCount = 0, panningPointCount = 0;
    std::uint8_t volumeSustain = 0, volumeLoopStart = 0, volumeLoopEnd = 0;
    std::uint8_t panningSustain = 0, panningLoopStart = 0, panningLoopEnd = 0;
    std::uint8_t volumeType = 0, panningType = 0;  // bit 0 on, bit 1 sustain, bit 2 loop
    std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    std::uint16_t fadeout = 0;  // the file's value doubled
};

struct NoteCell {
    std::uint8_t note;        // 0 none, 1..96 (1 = C-0), 0xFF key off
    std::uint8_t instrument;  // 0 none, 1..128
    std::uint8_t volume;      // volume-column byte
    std::uint8_t effect;
    std::uint8_t parameter;
};

struct XmPattern {
    std::int32_t rows = 0;
    NoteCell* cells = nullptr;  // rows x channelCount, row-major
};

using XmTickHandler = void (*)(XmSong* song);

struct XmSong {
    XmSong* next = this;  // links in the list of playing songs; a song not playing links to itself
    XmSong* prev = this;
    XmPattern* patterns = nullptr;
    XmInstrument* instruments = nullptr;
    XmChannel* channels = nullptr;  // created by xmPlay
    std::int32_t framesLeftInTick = 0;
    std::int32_t framesPerTick = 0;
    std::int16_t songLength = 0;
    std::int16_t restartPosition = 0;
    std::int16_t channelCount = 0;
    std::int32_t patternsUsed = 0;
    std::int32_t patternCount = 0;
    std::int16_t instrumentCount = 0;
    std::int16_t flags = 0;  // bit 0: linear frequency table
    std::int16_t defaultSpeed = 0;
    std::int16_t defaultBpm = 0;
    std::uint8_t orderTable[256] = {};
    std::uint8_t initialGlobalVolume = 0;
    std::int32_t globalVolume = 0;
    std::uint8_t globalVolumeSlideMemory = 0;
    std::uint8_t playing = 0;
    std::int32_t tick = 0;
    std::int32_t speed = 0;
    std::int32_t bpm = 0;
    // Row, order position and time are read by the main thread while the
    // output thread plays: atomics, read without waiting.
    std::atomic<std::int32_t> row{0};
    std::atomic<std::int32_t> orderPosition{0};
    std::int32_t patternDelayTicks = 0;
    std::int32_t nextRow = -1;
    std::int32_t nextOrder = -1;
    std::atomic<float> timeSeconds{0.0f};
    XmTickHandler tickHandler = nullptr;
    XmSampleDecoder sampleDecoder = nullptr;
    // The cells of the row the last row tick read: the further ticks of that
    // row use them even after a pattern loop has moved row.
    const NoteCell* rowCells = nullptr;
    std::uint8_t positionJumpSet = 0;  // a position jump on the current row (a break then keeps its order)
};

// The sequencer's state of one song channel, created zeroed by xmPlay.
struct XmChannel {
    std::uint8_t key;          // last note - 1 (0..95)
    std::uint8_t updateFlags;  // what updateVoice does this tick (kUpdate... bits)
    MixVoice* voice;
    std::int32_t voiceIndex;
    std::int32_t period;
    std::int32_t volume;        // 0..64; a sample's stored default may be more until changed
    std::int32_t panning;       // 0..255
    std::int32_t volumeDelta;   // this tick only (tremor)
    std::int32_t periodDelta;   // this tick only (arpeggio, vibrato, auto-vibrato)
    std::int32_t volumeEnvelopeTick;
    std::int32_t volumeEnvelopeIndex;
    std::int32_t volumeEnvelopeValue;  // 16.16
    std::int32_t envelopeVolume;       // 0..64
    std::int32_t volumeEnvelopeIncrement;
    std::uint8_t volumeEnvelopeDone;
    std::int32_t panningEnvelopeTick;
    std::int32_t panningEnvelopeIndex;
    std::int32_t panningEnvelopeValue;
    std::int32_t envelopePanning;  // 0..64, 32 = centre
    std::int32_t panningEnvelopeIncrement;
    std::uint8_t panningEnvelopeDone;
    std::int32_t fadeoutVolume;  // 65536 at a new instrument
    std::int32_t autoVibratoPosition;
    std::int32_t autoVibratoSweep;
    std::uint8_t keyOff;
    std::uint8_t instrument;  // instrument number - 1
    std::uint8_t realNote;
    std::int32_t notePeriod;
    std::int32_t sampleOffsetMemory;
    std::uint8_t portaDownMemory, portaUpMemory;
    std::uint8_t extraFineDownMemory, extraFineUpMemory;
    std::uint8_t volumeSlideMemory;
    std::uint8_t panningSlideMemory;
    std::uint8_t retrigVolumeType, retrigInterval;
    std::int32_t portaTarget;
    std::uint8_t portaSpeed;
    std::int8_t vibratoPosition;  // -32..31
    std::uint8_t vibratoSpeed, vibratoDepth;
    std::uint8_t tremorCount, tremorOn, tremorOff;
    std::int32_t loopStartRow;
    std::int32_t loopCount;
    std::uint8_t waveControl;
    std::uint8_t fineVolumeMemory;
};

// The stored note of a key off (the file's 97).
constexpr std::uint8_t kKeyOffNote = 0xFF;

// updateFlags bits
constexpr std::uint8_t kUpdateFrequency = 1;
constexpr std::uint8_t kUpdateVolume = 2;
constexpr std::uint8_t kUpdatePanning = 4;
constexpr std::uint8_t kUpdateTrigger = 8;
constexpr std::uint8_t kUpdateStop = 32;

// True while the five file routines are registered (the output needs them to start).
bool fileCallbacksSet();

// Shared all-zero stand-ins for missing samples and instruments; never freed.
extern XmSample emptySample;
extern XmInstrument emptyInstrument;
