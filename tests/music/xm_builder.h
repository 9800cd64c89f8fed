#pragma once
// Small XM modules written byte by byte in memory, loaded through xmLoad with
// memory-file routines of the tests' own, and a harness that plays one on a
// virtual output so that tests can tick it by hand and read its voices.
#include <cstdint>
#include <vector>

#include "music/xm_types.h"
#include "platform/wave_output.h"

struct MixVoice;

struct SampleDraft {
    std::vector<std::int16_t> frames;  // the values; 8-bit samples hold -128..127
    bool sixteenBit = false;
    std::uint8_t loopBits = 0;       // type bits 0..1: 1 forward, 2 ping-pong
    std::uint32_t loopStart = 0;     // bytes, as in the file
    std::uint32_t loopLength = 0;    // bytes
    std::int64_t lengthBytes = -1;   // the header's length when it is not the data's
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
};

struct EnvelopeDraft {
    std::vector<EnvelopePoint> points;
    std::int32_t pointCount = -1;  // the header's count when not points.size()
    std::uint8_t type = 0;
    std::uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
};

struct InstrumentDraft {
    std::vector<SampleDraft> samples;
    std::int32_t sampleCount = -1;  // the header's count when not samples.size()
    std::uint8_t keymap[96] = {};
    EnvelopeDraft volumeEnvelope, panningEnvelope;
    std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    std::uint16_t fadeout = 0;  // the file's value
};

struct PatternDraft {
    std::int32_t rows = 64;
    std::int32_t channels = 0;
    std::vector<NoteCell> cells;  // rows x channels; none written when empty
    bool unpacked = false;        // the five-byte form of every cell
    NoteCell& at(std::int32_t row, std::int32_t channel);
};

struct ModuleDraft {
    std::vector<std::uint8_t> orders = {0};
    std::int32_t songLength = -1;  // the header's length when not orders.size()
    std::uint16_t restartPosition = 0;
    std::uint16_t channels = 2;
    std::uint16_t flags = 1;
    std::uint16_t speed = 6;
    std::uint16_t bpm = 125;
    std::int32_t filePatternCount = -1;  // the header's count when not patterns.size()
    std::vector<PatternDraft> patterns;
    std::vector<InstrumentDraft> instruments;

    // A pattern of rows empty rows for this module's channels.
    PatternDraft& addPattern(std::int32_t rows);
};

// One instrument with one 8-bit sample of the given frames, mapped to every note.
InstrumentDraft simpleInstrument(std::vector<std::int16_t> frames, std::uint8_t loopBits = 0);
NoteCell noteCell(std::uint8_t note, std::uint8_t instrument = 0, std::uint8_t volume = 0, std::uint8_t effect = 0,
                  std::uint8_t parameter = 0);

std::vector<std::uint8_t> buildXm(const ModuleDraft& draft);

// Registers the memory-file routines and loads bytes through xmLoad.
XmSong* loadXmBytes(const std::vector<std::uint8_t>& bytes, XmSampleDecoder decoder = nullptr);
void useMemoryFiles();

// A module loaded and playing on a started virtual output; ticked by hand.
class PlayingModule {
public:
    explicit PlayingModule(const ModuleDraft& draft);
    explicit PlayingModule(const std::vector<std::uint8_t>& bytes);
    ~PlayingModule();
    PlayingModule(const PlayingModule&) = delete;
    PlayingModule& operator=(const PlayingModule&) = delete;

    bool ok() const { return song != nullptr && playing; }
    void tick(int count = 1);
    // Ticks until the next row tick has run; returns the ticks taken.
    int nextRow();
    XmChannel& channel(int index) const;
    MixVoice& voice(int index) const;

    VirtualWaveOutput device;
    XmSong* song = nullptr;
    bool playing = false;
};

