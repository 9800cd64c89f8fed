#pragma once
// The synthesiser's building blocks: a seeded noise source, filters,
// envelopes and additive oscillators. Everything is a pure function of its
// arguments (no clock, no global random state), so the song comes out the
// same byte for byte on every build.
#include <cstdint>
#include <functional>
#include <vector>

namespace songgen {

constexpr double kPi = 3.14159265358979323846;

using Signal = std::vector<double>;

// Uniform white noise in -1..1 from a 32-bit xorshift generator.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed != 0 ? seed : 0x9E3779B9u) {}
    double next();
    // Deterministic phase in 0..2 pi, for additive partials.
    double nextPhase();

private:
    std::uint32_t state;
};

// Second-order filter with the usual audio-cookbook coefficients.
class Biquad {
public:
    static Biquad lowPass(double rate, double cutoff, double q);
    static Biquad highPass(double rate, double cutoff, double q);
    static Biquad bandPass(double rate, double centre, double q);
    double process(double x);

private:
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// exp(-t / tau) for t >= 0, 1 before.
double decay(double t, double tau);
// Linear ramp from 0 at t = 0 to 1 at t = length, 1 after.
double attack(double t, double length);
// Gain of a two-pole low-pass with resonance q at frequency f for cutoff fc.
double lowPassGain(double f, double fc, double q);

// One sinusoid of an additive voice: its weight is the oscillator's own
// spectrum (1/k for a saw); the caller's shaping multiplies it.
struct Partial {
    double frequency;
    double weight;
    double phase;
};
// Adds the partials into out; shape(partial, t) scales each one over time
// (a filter sweep, a decay).
void addPartials(Signal& out, double rate, const std::vector<Partial>& partials,
                 const std::function<double(const Partial& partial, double t)>& shape);

// A sawtooth's harmonic series on fundamental f (weights 1/k) up to
// maxFrequency, phases from noise so that stacked oscillators do not line up
// into spikes.
std::vector<Partial> sawPartials(double f, double maxFrequency, Noise& phases);
// Odd harmonics only (a square wave's series).
std::vector<Partial> squarePartials(double f, double maxFrequency, Noise& phases);

// Pitch-swept sine: frequency(t) in Hz, integrated sample by sample.
void addSweptSine(Signal& out, double rate, const std::function<double(double t)>& frequency,
                  const std::function<double(double t)>& amplitude);

// tanh soft clipping normalised so that drive does not change the peak of a
// full-scale input.
void saturate(Signal& signal, double drive);
// Blends the frames before the loop end into those before the loop start so
// the jump back is seamless (for noise loops, which are not periodic).
void crossfadeLoop(Signal& signal, int loopStart, int loopEnd, int fadeFrames);
// Short fade at the end of a one-shot so it never stops on a step.
void fadeTail(Signal& signal, int frames);
// Scales to the given peak (of 1.0 = full scale).
void normalise(Signal& signal, double peak);

}  // namespace songgen
