// Compares the project's elementary functions with the C library's over
// random arguments: how many results differ, by how many units in the last
// place at most, and the time per call of each.
//   maths_agreement [COUNT]      (default 10,000,000 arguments per range)
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "maths/elementary.h"

namespace {

struct Range {
    const char* name;
    double low, high;
    bool logarithmic;  // uniform in the exponent, both signs
};

std::int64_t ulpDistance(double a, double b) {
    if (a == b) return 0;
    auto ordered = [](double v) {
        const auto bits = std::bit_cast<std::int64_t>(v);
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

void compare(const char* function, double (*ours)(double), double (*library)(double), const Range& range,
             std::size_t count, std::mt19937_64& random, std::vector<double>& arguments) {
    std::uniform_real_distribution<double> uniform(range.low, range.high);
    for (double& x : arguments) {
        x = uniform(random);
        if (range.logarithmic) x = ((random() & 1) ? -1.0 : 1.0) * std::exp2(x);
    }
    std::size_t differ = 0;
    std::int64_t worst = 0;
    double worstArgument = 0.0;
    for (double x : arguments) {
        const std::int64_t d = ulpDistance(ours(x), library(x));
        if (d != 0) ++differ;
        if (d > worst) worst = d, worstArgument = x;
    }
    volatile double sink = 0.0;
    const auto t0 = std::chrono::steady_clock::now();
    for (double x : arguments) sink = sink + ours(x);
    const auto t1 = std::chrono::steady_clock::now();
    for (double x : arguments) sink = sink + library(x);
    const auto t2 = std::chrono::steady_clock::now();
    const double nsOurs = std::chrono::duration<double, std::nano>(t1 - t0).count() / count;
    const double nsLibrary = std::chrono::duration<double, std::nano>(t2 - t1).count() / count;
    std::printf("%-5s %-34s %10zu differ (%.5f%%)  max %lld ulp", function, range.name, differ,
                100.0 * differ / count, static_cast<long long>(worst));
    if (worst > 0) std::printf(" at %a", worstArgument);
    std::printf("  %.0f ns vs %.0f ns\n", nsOurs, nsLibrary);
}

double librarySin(double x) { return std::sin(x); }
double libraryCos(double x) { return std::cos(x); }
double libraryAtan(double x) { return std::atan(x); }
double libraryPow2(double x) { return std::pow(2.0, x); }

}  // namespace

int main(int argc, char** argv) {
    const long requested = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000000;
    if (argc > 2 || requested <= 0) {
        std::fprintf(stderr, "usage: maths_agreement [COUNT]  (random arguments per range, default 10000000)\n");
        return 2;
    }
    const auto count = static_cast<std::size_t>(requested);
    std::vector<double> arguments(count);
    std::mt19937_64 random(20261208);
    const Range trigonometric[] = {
        {"[-pi/4, pi/4]", -0.7853981633974483, 0.7853981633974483, false},
        {"[-4000, 4000] (the show's angles)", -4000.0, 4000.0, false},
        {"[-1e9, 1e9]", -1e9, 1e9, false},
        {"+-2^[-30, 1000] (all sizes)", -30.0, 1000.0, true},
    };
    for (const Range& r : trigonometric) compare("sin", maths::sin, librarySin, r, count, random, arguments);
    for (const Range& r : trigonometric) compare("cos", maths::cos, libraryCos, r, count, random, arguments);
    const Range arctangent[] = {
        {"[-1, 1]", -1.0, 1.0, false},
        {"[-300, 300] (the show's slopes)", -300.0, 300.0, false},
        {"+-2^[-30, 60] (all sizes)", -30.0, 60.0, true},
    };
    for (const Range& r : arctangent) compare("atan", maths::atan, libraryAtan, r, count, random, arguments);
    const Range exponential[] = {
        {"[-12, 12] (the player's pitches)", -12.0, 12.0, false},
        {"[-1022, 1023] (all normal results)", -1022.0, 1023.0, false},
    };
    for (const Range& r : exponential) compare("exp2", maths::exp2, libraryPow2, r, count, random, arguments);
    return 0;
}
