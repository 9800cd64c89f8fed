#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace songgen {
namespace {

// Unpitched sounds claim this pitch, so that note C-4 plays them at their own speed.
constexpr double kMiddleC = 261.6255653;
constexpr double kPeak = 0.98;

int framesOf(double rate, double seconds) { return static_cast<int>(std::lround(rate * seconds)); }
double timeOf(std::size_t frame, double rate) { return static_cast<double>(frame) / rate; }

// A one-shot ends with a short fade so it never stops on a step, and is
// scaled to the common peak.
InstrumentDesign oneShot(Signal frames, double rate, double fadeSeconds, int bits) {
    fadeTail(frames, framesOf(rate, fadeSeconds));
    normalise(frames, kPeak);
    InstrumentDesign d;
    d.frames = std::move(frames);
    d.rate = rate;
    d.pitch = kMiddleC;
    d.bits = bits;
    return d;
}

// A sample whose loop runs from loopStart to its end.
InstrumentDesign looped(Signal frames, double rate, double pitch, int loopStart, int bits = 16) {
    InstrumentDesign d;
    d.loopStart = loopStart;
    d.loopLength = static_cast<int>(frames.size()) - loopStart;
    d.frames = std::move(frames);
    d.rate = rate;
    d.pitch = pitch;
    d.bits = bits;
    return d;
}

// A burst of filtered noise that starts at the given level and dies away
// with time constant tau: a beater, a stick, a rumble.
void addNoiseBurst(Signal& s, double rate, double level, Biquad filter, std::uint32_t seed, double tau) {
    Noise noise(seed);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] += level * filter.process(noise.next()) * decay(timeOf(i, rate), tau);
}

// Six detuned square waves: the metallic ring under hats and cymbals.
Signal metal(double rate, int frames, double scale) {
    static const double ratios[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    Signal out(frames, 0.0);
    for (double r : ratios) {
        const double step = 2.0 * kPi * r * scale / rate;
        for (int i = 0; i < frames; ++i) out[i] += std::sin(step * i) >= 0 ? 1.0 : -1.0;
    }
    return out;
}

// --- Drums -----------------------------------------------------------------

// A sine falling from a click to 52 Hz (near A1, the song's key), a noise
// tick for the beater, and soft clipping for weight on small speakers.
InstrumentDesign kick() {
    const double rate = 22050;
    Signal s(framesOf(rate, 0.42), 0.0);
    addSweptSine(
        s, rate, [](double t) { return 52 + 110 * decay(t, 0.035) + 160 * decay(t, 0.006); },
        [](double t) { return attack(t, 0.0015) * (t < 0.03 ? 1.0 : decay(t - 0.03, 0.16)); });
    addNoiseBurst(s, rate, 0.35, Biquad::lowPass(rate, 5000, 0.7), 0x4B49434Bu, 0.004);
    saturate(s, 1.8);
    return oneShot(s, rate, 0.02, 16);
}

// Two falling sines for the shell, band-limited noise for the wires.
InstrumentDesign snare() {
    const double rate = 22050;
    Signal s(framesOf(rate, 0.3), 0.0);
    addSweptSine(
        s, rate, [](double t) { return 190 + 70 * decay(t, 0.012); }, [](double t) { return 0.6 * decay(t, 0.055); });
    addSweptSine(
        s, rate, [](double) { return 330.0; }, [](double t) { return 0.25 * decay(t, 0.035); });
    Noise noise(0x534E4152u);
    Biquad high = Biquad::highPass(rate, 900, 0.7), low = Biquad::lowPass(rate, 9000, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i, rate);
        s[i] += low.process(high.process(noise.next())) * attack(t, 0.001) * (0.9 * decay(t, 0.08) + 0.15 * decay(t, 0.2));
    }
    saturate(s, 1.4);
    return oneShot(s, rate, 0.03, 8);
}

// Three quick bursts of band-passed noise (the hands) and a short room tail.
InstrumentDesign clap() {
    const double rate = 22050;
    Signal s(framesOf(rate, 0.34), 0.0);
    Noise noise(0x434C4150u);
    Biquad band = Biquad::bandPass(rate, 1150, 1.1), high = Biquad::highPass(rate, 500, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i, rate);
        double envelope = 0;
        for (double start : {0.0, 0.0105, 0.021})
            if (t >= start) envelope += 0.8 * decay(t - start, 0.0035);
        if (t >= 0.031) envelope += decay(t - 0.031, 0.1);
        s[i] = high.process(band.process(noise.next())) * envelope;
    }
    saturate(s, 1.2);
    return oneShot(s, rate, 0.03, 8);
}

// Metal and noise through a band-pass near 9.5 kHz, dying with tau.
InstrumentDesign hat(double rate, double seconds, double tau, double highCut, std::uint32_t seed) {
    const int n = framesOf(rate, seconds);
    Signal s = metal(rate, n, 1.9);
    Noise noise(seed);
    Biquad band = Biquad::bandPass(rate, 9500, 0.9), high = Biquad::highPass(rate, highCut, 0.7);
    for (int i = 0; i < n; ++i) {
        const double t = timeOf(i, rate);
        s[i] = high.process(band.process(0.6 * s[i] / 6 + 0.5 * noise.next())) * attack(t, 0.0005) * decay(t, tau);
    }
    return oneShot(s, rate, 0.01, 8);
}

InstrumentDesign closedHat() { return hat(44100, 0.08, 0.016, 7000, 0x43484154u); }

InstrumentDesign openHat() { return hat(32000, 0.34, 0.09, 6500, 0x4F484154u); }

// A bright burst, then a loop of steady metallic noise that the volume
// envelope lets ring for two seconds.
InstrumentDesign crash() {
    const double rate = 32000;
    const int loopStart = framesOf(rate, 0.05), loopLength = framesOf(rate, 0.36);
    const int n = loopStart + loopLength;
    Signal ring = metal(rate, n, 2.6);
    Signal s(n, 0.0);
    Noise noise(0x43524153u);
    Biquad noiseHigh = Biquad::highPass(rate, 3500, 0.7), ringHigh = Biquad::highPass(rate, 5000, 0.7);
    for (int i = 0; i < n; ++i) {
        const double t = timeOf(i, rate);
        s[i] = (noiseHigh.process(noise.next()) + 0.4 * ringHigh.process(ring[i] / 6)) * (1 + 1.5 * decay(t, 0.015)) *
               attack(t, 0.0005);
    }
    crossfadeLoop(s, loopStart, n, framesOf(rate, 0.04));
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, kMiddleC, loopStart, 8);
    d.volume.points = {{0, 64}, {8, 52}, {40, 34}, {110, 14}, {220, 0}};
    d.fadeout = 1500;
    return d;
}

// A pitch-swept sine; the score plays it at several notes for a set of toms.
InstrumentDesign tom() {
    const double rate = 11025;
    Signal s(framesOf(rate, 0.5), 0.0);
    addSweptSine(
        s, rate, [](double t) { return 92 + 70 * decay(t, 0.06); },
        [](double t) { return attack(t, 0.001) * decay(t, 0.22); });
    addNoiseBurst(s, rate, 0.3, Biquad::lowPass(rate, 3000, 0.7), 0x544F4D21u, 0.005);
    saturate(s, 1.3);
    return oneShot(s, rate, 0.03, 16);
}

// A deep falling sine with a rumble: the impact under the big accents. Its
// content stays below 1 kHz, so 4000 frames a second are plenty.
InstrumentDesign boom() {
    const double rate = 4000;
    Signal s(framesOf(rate, 1.3), 0.0);
    addSweptSine(
        s, rate, [](double t) { return 30 + 85 * decay(t, 0.15) + 60 * decay(t, 0.02); },
        [](double t) { return attack(t, 0.002) * decay(t, 0.45); });
    saturate(s, 2.2);
    addNoiseBurst(s, rate, 0.15, Biquad::lowPass(rate, 300, 0.7), 0x424F4F4Du, 0.3);
    return oneShot(s, rate, 0.1, 16);
}

// Low-passed noise for swells; the score slides its pitch up and the
// envelope fades it in over a bar (effect L can start it half way).
InstrumentDesign riser() {
    const double rate = 11025;
    const int loopStart = framesOf(rate, 0.05), loopLength = framesOf(rate, 0.6);
    Signal s(loopStart + loopLength, 0.0);
    Noise noise(0x52495345u);
    Biquad high = Biquad::highPass(rate, 150, 0.7), low = Biquad::lowPass(rate, 3500, 0.7);
    for (double& x : s) x = low.process(high.process(noise.next()));
    crossfadeLoop(s, loopStart, loopStart + loopLength, framesOf(rate, 0.05));
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, kMiddleC, loopStart, 8);
    d.volume = {{{0, 0}, {168, 64}}, 1};
    d.fadeout = 4000;
    return d;
}

// --- Pitched voices ----------------------------------------------------------
// Loops hold an exact number of cycles of every partial, so they close
// without a seam: harmonic voices loop one period, detuned stacks loop a
// stretch whose length makes every oscillator's frequency a whole multiple of
// its inverse. An attack part before the loop carries what changes over time
// (a filter closing, bright partials dying away); from the loop start on,
// every partial is constant.

using Shape = std::function<double(const Partial& partial, double t)>;

// Adds partials whose shape moves only during the attack part: the shape
// sees time stand still from the loop start on.
void addSettlingPartials(Signal& s, double rate, int loopStart, const std::vector<Partial>& partials,
                         const Shape& shape) {
    const double settle = timeOf(loopStart, rate);
    addPartials(s, rate, partials, [&](const Partial& p, double t) { return shape(p, std::min(t, settle)); });
}

// An attack part of loopStart frames, then one looped period, of a saw whose
// fundamental has that period.
Signal settlingSaw(double rate, int period, int loopStart, double maxFrequency, std::uint32_t seed,
                   const Shape& shape) {
    Signal s(loopStart + period, 0.0);
    Noise phases(seed);
    addSettlingPartials(s, rate, loopStart, sawPartials(rate / period, maxFrequency, phases), shape);
    return s;
}

// A resonant low-pass whose cutoff falls from floor + sweep towards floor
// with time constant tau.
struct ClosingLowPass {
    double floor, sweep, tau, q;
    double gain(double f, double t) const { return lowPassGain(f, floor + sweep * decay(t, tau), q); }
};

// Oscillators of one waveform, given as (frequency, weight), all through
// the same fixed tone curve.
using Series = std::vector<Partial> (*)(double f, double maxFrequency, Noise& phases);
void addOscillators(Signal& s, double rate, Series series, const std::vector<std::pair<double, double>>& oscillators,
                    double maxFrequency, const std::function<double(double f)>& tone, std::uint32_t seed) {
    Noise phases(seed);
    for (const auto& [frequency, weight] : oscillators)
        addPartials(s, rate, series(frequency, maxFrequency, phases),
                    [&, weight = weight](const Partial& p, double) { return weight * tone(p.frequency); });
}

// A saw through a resonant low-pass that closes from 2.6 kHz to about 300 Hz
// in the first tenth of a second, then one period of the dark tone looped.
InstrumentDesign bass() {
    const double rate = 16000;
    const int period = 256;  // 62.5 Hz
    const int loopStart = framesOf(rate, 0.18);
    const double f0 = rate / period;
    const ClosingLowPass filter{260, 2400, 0.045, 1.4};
    Signal s = settlingSaw(rate, period, loopStart, 7000, 0x42415353u, [&](const Partial& p, double t) {
        return (p.frequency == f0 ? 1.6 : 1.0) * filter.gain(p.frequency, t) * attack(t, 0.002);
    });
    saturate(s, 1.2);
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, f0, loopStart);
    d.volume = {{{0, 64}, {6, 54}, {30, 44}}, 2};
    d.fadeout = 3000;
    return d;
}

// Three saws 20 cents apart and a sub-octave saw, softly low-passed: a one
// second loop (1 Hz grid) so the detuning beats slowly and never repeats
// within a chord.
InstrumentDesign pad() {
    const double rate = 16000;
    Signal s(framesOf(rate, 1.0), 0.0);
    addOscillators(s, rate, sawPartials, {{259, 1.0}, {262, 1.0}, {265, 1.0}, {131, 0.35}}, 7000,
                   [](double f) { return lowPassGain(f, 2200, 0.8); }, 0x50414421u);
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, 262, 0);
    d.volume = {{{0, 0}, {16, 44}, {40, 64}}, 2};
    d.fadeout = 600;
    return d;
}

// Gain of the vowel "ah": four formants over a gentle floor.
double vowelAh(double f) {
    static const double formants[][3] = {{750, 90, 1.0}, {1150, 110, 0.7}, {2700, 170, 0.3}, {3500, 250, 0.15}};
    double g = 0.03;
    for (const auto& [centre, width, level] : formants) {
        const double r = (f - centre) / width;
        g += level / (1 + r * r);
    }
    return g;
}

// Three voices singing "ah" a little apart in pitch, on the pad's 1 Hz grid.
InstrumentDesign choir() {
    const double rate = 16000;
    Signal s(framesOf(rate, 1.0), 0.0);
    addOscillators(s, rate, sawPartials, {{260, 1.0}, {262, 1.0}, {264, 1.0}}, 5000, vowelAh, 0x43484F49u);
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, 262, 0);
    d.volume = {{{0, 0}, {30, 64}}, 1};
    d.fadeout = 500;
    d.vibratoType = 0, d.vibratoSweep = 80, d.vibratoDepth = 3, d.vibratoRate = 8;
    return d;
}

// Saw and square 13 cents apart: the lead. Its loop of 5512 frames puts the
// oscillators on a 4 Hz grid near C-5; the note is tuned between the two.
InstrumentDesign lead() {
    const double rate = 22050, grid = rate / 5512;
    const auto tone = [](double f) { return lowPassGain(f, 3800, 0.9); };
    Signal s(5512, 0.0), square(5512, 0.0);
    addOscillators(s, rate, sawPartials, {{131 * grid, 1.0}}, 9000, tone, 0x4C454144u);
    normalise(s, kPeak);
    addOscillators(square, rate, squarePartials, {{132 * grid, 0.7}}, 9000, tone, 0x53515541u);
    normalise(square, kPeak * 0.8);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] += square[i];
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, std::sqrt(131.0 * 132.0) * grid, 0);
    d.volume = {{{0, 48}, {2, 64}, {10, 52}, {30, 46}}, 3};
    d.fadeout = 1800;
    d.vibratoType = 0, d.vibratoSweep = 60, d.vibratoDepth = 5, d.vibratoRate = 11;
    return d;
}

// A resonant saw whose filter snaps shut: the arpeggio pluck.
InstrumentDesign pluck() {
    const double rate = 22050;
    const int period = 84;  // 262.5 Hz
    const int loopStart = framesOf(rate, 0.14);
    const ClosingLowPass filter{700, 5200, 0.035, 2.0};
    Signal s = settlingSaw(rate, period, loopStart, 7500, 0x504C5543u, [&](const Partial& p, double t) {
        return filter.gain(p.frequency, t) * attack(t, 0.001);
    });
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, rate / period, loopStart);
    d.volume.points = {{0, 64}, {5, 44}, {16, 22}, {40, 8}, {70, 0}};
    d.fadeout = 3000;
    return d;
}

// Struck-bar partials (1, 2.76, 5.40, 8.93 and 13.34 times the fundamental)
// plus an octave: the high ones die within the attack part, the fundamental
// and the octave ring on in a 4 Hz-grid loop.
InstrumentDesign bell() {
    const double rate = 16000, grid = 4, f0 = 131 * grid;
    const int loopStart = framesOf(rate, 0.3), loopLength = 4000;
    struct Mode {
        double ratio, level, tau;
    };
    static const Mode modes[] = {{1, 1.0, 0.9}, {2, 0.45, 0.5}, {2.76, 0.5, 0.22}, {5.40, 0.3, 0.08},
                                 {8.93, 0.22, 0.04}, {13.34, 0.1, 0.025}};
    Signal s(loopStart + loopLength, 0.0);
    Noise phases(0x42454C4Cu);
    for (const Mode& m : modes) {
        const double f = std::round(m.ratio * f0 / grid) * grid;
        addSettlingPartials(s, rate, loopStart, {{f, m.level, phases.nextPhase()}},
                            [&](const Partial&, double t) { return attack(t, 0.001) * decay(t, m.tau); });
    }
    normalise(s, kPeak);
    InstrumentDesign d = looped(s, rate, f0, loopStart);
    d.volume.points = {{0, 64}, {20, 44}, {80, 20}, {180, 0}};
    d.fadeout = 800;
    return d;
}

// Root, fifth and octave of detuned saws behind a snapping filter, with a
// noise hit on top: the chord stab of the big accents.
InstrumentDesign stab() {
    const double rate = 16000;
    const ClosingLowPass filter{700, 5000, 0.06, 1.2};
    Signal s(framesOf(rate, 0.42), 0.0);
    Noise phases(0x53544142u);
    const std::pair<double, double> oscillators[] = {{261, 1.0}, {263, 1.0}, {392, 0.8}, {394, 0.8}, {523, 0.6}};
    for (const auto& [frequency, weight] : oscillators) {
        addPartials(s, rate, sawPartials(frequency, 7000, phases), [&, weight = weight](const Partial& p, double t) {
            return weight * filter.gain(p.frequency, t) * attack(t, 0.002) * (0.25 + 0.75 * decay(t, 0.08)) *
                   decay(t, 0.3);
        });
    }
    addNoiseBurst(s, rate, 0.6, Biquad::bandPass(rate, 2000, 0.8), 0x48495421u, 0.01);
    normalise(s, 1.0);
    saturate(s, 1.5);
    InstrumentDesign d = oneShot(s, rate, 0.04, 16);
    d.pitch = 262;
    return d;
}

}  // namespace

bool designInstrument(const std::string& recipe, InstrumentDesign& design) {
    static const std::map<std::string, InstrumentDesign (*)()> recipes = {
        {"kick", kick},   {"snare", snare}, {"clap", clap},   {"closedhat", closedHat}, {"openhat", openHat},
        {"crash", crash}, {"tom", tom},     {"boom", boom},   {"riser", riser},         {"bass", bass},
        {"pad", pad},     {"choir", choir}, {"lead", lead},   {"pluck", pluck},         {"bell", bell},
        {"stab", stab},
    };
    const auto found = recipes.find(recipe);
    if (found == recipes.end()) return false;
    design = found->second();
    return true;
}

}  // namespace songgen
