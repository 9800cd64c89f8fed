#pragma once
#include <cstdint>
#include <cstring>

// Unevaluated sums hi + lo of two doubles (about 106 bits), built from IEEE
// additions and multiplications alone. Correct only without fused
// multiply-add contraction (-ffp-contract=off) and with double evaluation
// (SSE2 or WebAssembly, never x87).

namespace maths {

struct DoubleDouble {
    double hi;
    double lo;
};

// a + b exactly, for |a| >= |b| or a == 0.
inline DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly, in any order of magnitude.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}

// a x b exactly (Dekker's product with Veltkamp's split); |a|, |b| < 2^995.
inline DoubleDouble twoProduct(double a, double b) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double ca = kSplitter * a, cb = kSplitter * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    const double p = a * b;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline DoubleDouble operator+(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    const DoubleDouble u = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(u.hi, u.lo + t.lo);
}

constexpr DoubleDouble kHalfPi{0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

inline std::uint64_t bitsOf(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// 2^e for -1022 <= e <= 1023, built from its bits.
inline double powerOfTwo(int e) {
    const std::uint64_t bits = static_cast<std::uint64_t>(e + 1023) << 52;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

inline DoubleDouble operator-(DoubleDouble a) { return {-a.hi, -a.lo}; }
inline DoubleDouble operator-(DoubleDouble a, DoubleDouble b) { return a + -b; }

inline DoubleDouble operator*(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DoubleDouble operator/(DoubleDouble a, DoubleDouble b) {
    const double q1 = a.hi / b.hi;
    const DoubleDouble r = a - b * DoubleDouble{q1, 0.0};
    const double q2 = r.hi / b.hi;
    const DoubleDouble s = quickTwoSum(q1, q2);
    const DoubleDouble t = a - b * s;
    return s + DoubleDouble{t.hi / b.hi, 0.0};
}

// c0 + z (c1 + z (c2 + ...)) with the first `exact` coefficients in double-double
// and the rest (small enough for plain doubles) in double.
template <int N>
DoubleDouble polynomial(const DoubleDouble (&c)[N], int exact, DoubleDouble z) {
    double tail = 0.0;
    for (int k = N - 1; k >= exact; --k) tail = c[k].hi + z.hi * tail;
    DoubleDouble sum{tail, 0.0};
    for (int k = exact - 1; k >= 0; --k) sum = c[k] + z * sum;
    return sum;
}

}  // namespace maths
