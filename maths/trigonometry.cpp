// sin and cos: the argument is reduced modulo pi/2 exactly enough for every
// double (Payne and Hanek's method on integers), then a Taylor polynomial is
// evaluated in double-double arithmetic.
#include "maths/elementary.h"

#include <bit>
#include <cstdint>

#include "maths/double_double.h"

namespace maths {
namespace {

// 0 then 2/pi in binary, 64 bits a word: enough for the largest exponent.
constexpr std::uint64_t kTwoOverPi[25] = {
    0,
    0xa2f9836e4e441529, 0xfc2757d1f534ddc0, 0xdb6295993c439041, 0xfe5163abdebbc561,
    0xb7246e3a424dd2e0, 0x06492eea09d1921c, 0xfe1deb1cb129a73e, 0xe88235f52ebb4484,
    0xe99c7026b45f7e41, 0x3991d639835339f4, 0x9c845f8bbdf9283b, 0x1ff897ffde05980f,
    0xef2f118b5a0a6d1f, 0x6d367ecf27cb09b7, 0x4f463f669e5fea2d, 0x7527bac7ebe5f17b,
    0x3d0739f78a5292ea, 0x6bfb5fb11f8d5d08, 0x56033046fc7b6bab, 0xf0cfbc209af4361d,
    0xa9e391615ee61b08, 0x6599855f14a06840, 0x8dffd8804d732731, 0x06061556ca73a8c9,
};

// (-1)^k / (2k+1)! and (-1)^k / (2k)! for k = 1..14.
constexpr DoubleDouble kSine[14] = {
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57}, {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73}, {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80}, {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97}, {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112}, {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130}, {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149}, {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157},
};
constexpr DoubleDouble kCosine[14] = {
    {-0x1.0000000000000p-1, 0.0}, {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65}, {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76}, {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92}, {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107}, {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124}, {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd16540p-143}, {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},
};
// Coefficients from k = 8 on change the sum by less than 2^-47 of it:
// plain doubles are enough for them.
constexpr int kExactTerms = 7;

// a x b as a 128-bit number, high and low words, from 32-bit products.
void multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& high, std::uint64_t& low) {
    const std::uint64_t a0 = a & 0xffffffffu, a1 = a >> 32, b0 = b & 0xffffffffu, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
    low = (middle << 32) | (p00 & 0xffffffffu);
    high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

struct Reduced {
    DoubleDouble r;  // in [-pi/4, pi/4]
    int quadrant;    // x = r + quadrant x pi/2 modulo 2 pi
};

// |x| >= 0.5, finite. With x = m 2^e (m a 53-bit integer), the bits of 2/pi
// worth 4 or more in m 2^e (2/pi) drop out, 256 bits after them are enough
// for the quarter turns and the remainder, whose closest approach to 0 over
// all doubles costs fewer than 70 of them.
Reduced reduce(double x) {
    const std::uint64_t bits = bitsOf(x);
    const int e = static_cast<int>((bits >> 52) & 0x7ff) - 1075;
    const std::uint64_t m = (bits & 0xfffffffffffffu) | (std::uint64_t{1} << 52);
    const int start = e + 62;  // bit index in kTwoOverPi of 2/pi's bit worth 2 in the product
    const int word = start / 64, shift = start % 64;
    std::uint64_t f[4];
    for (int j = 0; j < 4; ++j)
        f[j] = shift == 0 ? kTwoOverPi[word + j]
                          : (kTwoOverPi[word + j] << shift) | (kTwoOverPi[word + j + 1] >> (64 - shift));
    // R = m f modulo 2^256: quarter turns in the top 2 bits, the fraction of a quarter below.
    std::uint64_t rr[4], carry = 0;
    for (int j = 3; j >= 0; --j) {
        std::uint64_t high, low;
        multiply(m, f[j], high, low);
        rr[j] = low + carry;
        carry = high + (rr[j] < low ? 1 : 0);
    }
    int quadrant = static_cast<int>(rr[0] >> 62);
    rr[0] &= 0x3fffffffffffffffu;
    const bool negative = (rr[0] >> 61) != 0;  // fraction >= 1/2: round up to the next quarter
    if (negative) {
        quadrant = (quadrant + 1) & 3;
        std::uint64_t add = 1;  // 2^254 - R = (~R + 1) with the top two bits cleared
        for (int j = 3; j >= 0; --j) {
            rr[j] = ~rr[j] + add;
            add = (add != 0 && rr[j] == 0) ? 1 : 0;
        }
        rr[0] &= 0x3fffffffffffffffu;
    }
    int leading = 0, first = 0;
    while (rr[first] == 0) ++first, leading += 64;  // the remainder is never 0 for a double
    leading += std::countl_zero(rr[first]);
    const int s = leading % 64;
    auto wordAt = [&](int j) {
        const std::uint64_t a = first + j < 4 ? rr[first + j] : 0, b = first + j + 1 < 4 ? rr[first + j + 1] : 0;
        return s == 0 ? a : (a << s) | (b >> (64 - s));
    };
    const std::uint64_t n0 = wordAt(0), n1 = wordAt(1);
    const double top = static_cast<double>(n0 >> 11) * 0x1p-53;
    const double next = static_cast<double>(((n0 & 0x7ff) << 42) | (n1 >> 22)) * 0x1p-106;
    const double scale = powerOfTwo(2 - leading);
    const DoubleDouble fraction = quickTwoSum(top * scale, next * scale);
    const DoubleDouble r = fraction * kHalfPi;
    return {negative ? -r : r, quadrant};
}

// 0.75 <= |x| <= 2^20: Cody and Waite's reduction, pi/2 in three 32-bit
// parts and a fourth (n times each of the first three is exact). Good to
// about 2^-125 absolute: enough for the fast kernel, whose bound allows for
// it; the exact kernels always take the full reduction above.
Reduced reduceMedium(double x) {
    constexpr double kTwoOverPiDouble = 0x1.45f306dc9c883p-1;
    constexpr double kPart1 = 0x1.921fb54400000p+0, kPart2 = 0x1.0b4611a600000p-34, kPart3 = 0x1.3198a2e000000p-69,
                     kPart4 = 0x1.b839a252049c1p-104;
    constexpr double kRound = 0x1.8p52;
    const double n = (x * kTwoOverPiDouble + kRound) - kRound;
    DoubleDouble r{x - n * kPart1, 0.0};  // exact: the two are within a factor 2
    r = r - DoubleDouble{n * kPart2, 0.0};
    r = r - DoubleDouble{n * kPart3, 0.0};
    r = r - twoProduct(n, kPart4);
    return {r, static_cast<int>(static_cast<long long>(n) & 3)};
}

Reduced reduceAny(double x) {
    if (x > -0.75 && x < 0.75) return {{x, 0.0}, 0};
    if (x < 0) {
        const Reduced a = reduce(-x);
        return {-a.r, (4 - a.quadrant) & 3};
    }
    return reduce(x);
}

DoubleDouble sineKernel(DoubleDouble r) {
    const DoubleDouble z = r * r;
    return r + (r * z) * polynomial(kSine, kExactTerms, z);
}

DoubleDouble cosineKernel(DoubleDouble r) {
    const DoubleDouble z = r * r;
    return DoubleDouble{1.0, 0.0} + z * polynomial(kCosine, kExactTerms, z);
}

bool tiny(double x) { return x > -0x1p-27 && x < 0x1p-27; }

double magnitude(double x) { return x < 0 ? -x : x; }

// sin and cos of k/64, k = 0..50, from the exact kernels.
struct Nodes {
    DoubleDouble sine[51];
    DoubleDouble cosine[51];
};

const Nodes& nodes() {
    static const Nodes table = [] {
        Nodes t{};
        for (int k = 0; k <= 50; ++k) {
            t.sine[k] = sineKernel({k / 64.0, 0.0});
            t.cosine[k] = cosineKernel({k / 64.0, 0.0});
        }
        return t;
    }();
    return table;
}

// The fast way, right in all but about one case in a hundred: r = a + b with
// a = k/64, sin(a + b) = sin a + sin a (cos b - 1) + cos a sin b, where the
// small corrections need only doubles. The sum is kept with a bound on its
// error; when that bound leaves the rounding in doubt, false (and the exact
// kernels decide). Either way the result is the same correctly rounded value.
bool fastKernel(DoubleDouble r, bool cosine, double& result) {
    constexpr double kRound = 0x1.8p52;
    const double kf = (r.hi * 64.0 + kRound) - kRound;
    const int k = static_cast<int>(kf);
    if (k > 50 || k < -50) return false;
    const double bh = r.hi - kf * 0.015625;  // exact: |bh| <= 1/128
    const double rl = r.lo;
    const double b2 = bh * bh;
    const double s3 = bh * b2 * (-1.0 / 6.0 + b2 * (1.0 / 120.0 + b2 * (-1.0 / 5040.0 + b2 * (1.0 / 362880.0))));
    const double c2 = b2 * (-0.5 + b2 * (1.0 / 24.0 + b2 * (-1.0 / 720.0 + b2 * (1.0 / 40320.0)))) - bh * rl;
    const int i = k < 0 ? -k : k;
    const DoubleDouble sa = k < 0 ? -nodes().sine[i] : nodes().sine[i];
    const DoubleDouble ca = nodes().cosine[i];
    // sin(a + b) = x + x (cos b - 1) + y sin b with x = sin a, y = cos a;
    // cos(a + b) the same with x = cos a, y = -sin a.
    const DoubleDouble x = cosine ? ca : sa;
    const DoubleDouble y = cosine ? -sa : ca;
    const DoubleDouble p = twoProduct(y.hi, bh);
    const DoubleDouble m = twoSum(x.hi, p.hi);
    const double t1 = x.hi * c2, t2 = y.hi * (rl + s3), t3 = y.lo * bh;
    const DoubleDouble v = quickTwoSum(m.hi, m.lo + (x.lo + p.lo + t3 + t1 + t2));
    // Each small term carries a few roundings of 2^-53 of itself: 2^-49 of
    // their magnitudes bounds them all, with room to spare.
    const double bound = 0x1p-49 * (magnitude(t1) + magnitude(t2) + magnitude(t3) + magnitude(rl) + magnitude(x.lo) +
                                    magnitude(p.lo) + magnitude(m.lo)) +
                         0x1p-100 * magnitude(v.hi) + 0x1p-125;
    if (v.hi + (v.lo + bound) != v.hi || v.hi + (v.lo - bound) != v.hi) return false;
    result = v.hi;
    return true;
}

// sin(x + quarters x pi/2), correctly rounded: the fast kernel after the
// quick reduction where it can decide, else the exact reduction and kernels.
double sineOfShifted(double x, int quarters) {
    const double size = magnitude(x);
    if (size >= 0.75 && size <= 0x1p20) {
        const Reduced m = reduceMedium(x);
        const int q = (m.quadrant + quarters) & 3;
        double v;
        if (fastKernel(m.r, (q & 1) != 0, v)) return (q & 2) ? -v : v;
    }
    const Reduced a = reduceAny(x);
    const int q = (a.quadrant + quarters) & 3;
    double v;
    if (!fastKernel(a.r, (q & 1) != 0, v)) v = ((q & 1) ? cosineKernel(a.r) : sineKernel(a.r)).hi;
    return (q & 2) ? -v : v;
}

}  // namespace

double sin(double x) {
    if (x != x || x - x != 0.0) return x - x;  // NaN stays NaN, infinities give NaN
    if (tiny(x)) return x;                     // sin x = x - x^3/6 rounds to x; keeps -0
    return sineOfShifted(x, 0);
}

double cos(double x) {
    if (x != x || x - x != 0.0) return x - x;
    if (tiny(x)) return 1.0;  // 1 - x^2/2 rounds to 1
    return sineOfShifted(x, 1);
}

}  // namespace maths
