#pragma once
// A mixer voice: one sample playing at a frequency, volume and panning, with
// its position in 32.32 fixed point and short gain ramps. Voice i belongs to
// channel i of the playing song.
#include <cstdint>

struct XmSample;

struct MixVoice {
    MixVoice* next;
    MixVoice* prev;
    std::int32_t index;
    std::int32_t volume;     // last voiceSetVolume (0..127)
    std::int32_t frequency;  // last voiceSetFrequency, before clamping
    std::int32_t panning;    // last voiceSetPanning (0..256)
    std::uint32_t startOffset;  // frame at which the next voiceStart begins
    XmSample* sample;           // null = silent
    std::uint8_t gainLeft, gainRight;  // target gains in 1/255 units
    std::int32_t positionInt;
    std::uint32_t positionFrac;
    std::uint32_t stepFrac;
    std::int32_t stepInt;
    std::int32_t direction;  // 1 forward, 2 backward
    std::uint8_t rampTargetLeft, rampTargetRight;
    std::uint8_t levelLeft, levelRight;
    float rampStepLeft, rampStepRight;
    std::int32_t rampLeft;  // frames of the running ramp still to come
};

// Starts sample on voice at its startOffset (0 when beyond the loop end) and
// clears startOffset; returns the voice index, or -1 without a voice or sample.
int voiceStart(MixVoice* voice, XmSample* sample);
void voiceStop(MixVoice* voice);
void voiceSetFrequency(MixVoice* voice, std::int32_t hertz);
void voiceSetVolume(MixVoice* voice, std::int32_t volume);
void voiceSetPanning(MixVoice* voice, std::int32_t panning);

// Adds every voice of the list that has a sample into destination (stereo float frames).
void mixVoices(float* destination, MixVoice* voiceList, std::int32_t frames);
// Rounds (ties to even) and clips 2 x frames values to 16 bits.
void convertToPcm16(std::int16_t* destination, const float* source, std::int32_t frames);
// The same on the plain scalar paths only (the routines above take their
// SSE2 paths unless QORBT_SCALAR=1); the results are the same bits.
void mixVoicesScalar(float* destination, MixVoice* voiceList, std::int32_t frames);
void convertToPcm16Scalar(std::int16_t* destination, const float* source, std::int32_t frames);
