#include "synth.h"

#include <algorithm>
#include <cmath>

namespace songgen {

double Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
}

double Noise::nextPhase() { return (next() + 1.0) * kPi; }

namespace {

struct Coefficients {
    double b0, b1, b2, a0, a1, a2;
};

double omega(double rate, double frequency) { return 2.0 * kPi * std::min(frequency, rate * 0.49) / rate; }

}  // namespace

Biquad Biquad::lowPass(double rate, double cutoff, double q) {
    const double w = omega(rate, cutoff), alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const Coefficients k{(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha};
    Biquad f;
    f.b0 = k.b0 / k.a0, f.b1 = k.b1 / k.a0, f.b2 = k.b2 / k.a0, f.a1 = k.a1 / k.a0, f.a2 = k.a2 / k.a0;
    return f;
}

Biquad Biquad::highPass(double rate, double cutoff, double q) {
    const double w = omega(rate, cutoff), alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const Coefficients k{(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha};
    Biquad f;
    f.b0 = k.b0 / k.a0, f.b1 = k.b1 / k.a0, f.b2 = k.b2 / k.a0, f.a1 = k.a1 / k.a0, f.a2 = k.a2 / k.a0;
    return f;
}

Biquad Biquad::bandPass(double rate, double centre, double q) {
    const double w = omega(rate, centre), alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const Coefficients k{alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha};
    Biquad f;
    f.b0 = k.b0 / k.a0, f.b1 = k.b1 / k.a0, f.b2 = k.b2 / k.a0, f.a1 = k.a1 / k.a0, f.a2 = k.a2 / k.a0;
    return f;
}

double Biquad::process(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    return y;
}

double decay(double t, double tau) { return t <= 0 ? 1.0 : std::exp(-t / tau); }

double attack(double t, double length) { return t >= length ? 1.0 : (t <= 0 ? 0.0 : t / length); }

double lowPassGain(double f, double fc, double q) {
    const double r = f / fc;
    return 1.0 / std::sqrt((1 - r * r) * (1 - r * r) + (r / q) * (r / q));
}

void addPartials(Signal& out, double rate, const std::vector<Partial>& partials,
                 const std::function<double(const Partial& partial, double t)>& shape) {
    for (const Partial& p : partials) {
        const double step = 2.0 * kPi * p.frequency / rate;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            // The phase is computed from i, not accumulated, so a loop of an
            // exact number of cycles closes without drift.
            out[i] += p.weight * shape(p, t) * std::sin(p.phase + step * static_cast<double>(i));
        }
    }
}

std::vector<Partial> sawPartials(double f, double maxFrequency, Noise& phases) {
    std::vector<Partial> partials;
    for (int k = 1; k * f <= maxFrequency; ++k) partials.push_back({k * f, 1.0 / k, phases.nextPhase()});
    return partials;
}

std::vector<Partial> squarePartials(double f, double maxFrequency, Noise& phases) {
    std::vector<Partial> partials;
    for (int k = 1; k * f <= maxFrequency; k += 2) partials.push_back({k * f, 1.0 / k, phases.nextPhase()});
    return partials;
}

void addSweptSine(Signal& out, double rate, const std::function<double(double t)>& frequency,
                  const std::function<double(double t)>& amplitude) {
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        out[i] += amplitude(t) * std::sin(phase);
        phase += 2.0 * kPi * frequency(t) / rate;
    }
}

void saturate(Signal& signal, double drive) {
    const double scale = 1.0 / std::tanh(drive);
    for (double& x : signal) x = std::tanh(drive * x) * scale;
}

void crossfadeLoop(Signal& signal, int loopStart, int loopEnd, int fadeFrames) {
    fadeFrames = std::min({fadeFrames, loopStart, loopEnd - loopStart});
    for (int i = 0; i < fadeFrames; ++i) {
        const double w = static_cast<double>(i + 1) / (fadeFrames + 1);
        const int end = loopEnd - fadeFrames + i, start = loopStart - fadeFrames + i;
        signal[end] = signal[end] * (1 - w) + signal[start] * w;
    }
}

void fadeTail(Signal& signal, int frames) {
    const int n = static_cast<int>(signal.size());
    frames = std::min(frames, n);
    for (int i = 0; i < frames; ++i) signal[n - frames + i] *= 1.0 - static_cast<double>(i + 1) / frames;
}

void normalise(Signal& signal, double peak) {
    double largest = 0;
    for (double x : signal) largest = std::max(largest, std::fabs(x));
    if (largest == 0) return;
    for (double& x : signal) x *= peak / largest;
}

}  // namespace songgen
