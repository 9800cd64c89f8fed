// atan: reflected to [0, 1], then atan x = atan(k/16) + atan((x - k/16) / (1 + x k/16))
// with the nearest k/16, and the Taylor polynomial of the small remainder,
// all in double-double arithmetic.
#include "maths/double_double.h"
#include "maths/elementary.h"

namespace maths {
namespace {


// atan(k/16), k = 0..16.
constexpr DoubleDouble kNodes[17] = {
    {0.0, 0.0},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60}, {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58}, {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57}, {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56}, {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.0657e94db30d0p-1, -0x1.d5b495f6349e6p-56}, {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55}, {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57}, {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56}, {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};

// (-1)^k / (2k+1) for k = 1..10; |v| <= 1/32, so from k = 5 on plain doubles suffice.
constexpr DoubleDouble kSeries[10] = {
    {-0x1.5555555555555p-2, -0x1.5555555555555p-56}, {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {-0x1.2492492492492p-3, -0x1.2492492492492p-57}, {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {-0x1.745d1745d1746p-4, 0x1.745d1745d1746p-59}, {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {-0x1.1111111111111p-4, -0x1.1111111111111p-60}, {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {-0x1.af286bca1af28p-5, -0x1.af286bca1af28p-59}, {0x1.8618618618618p-5, 0x1.8618618618618p-59},
};
constexpr int kExactTerms = 4;

// atan u for 0 <= u <= 1 given as a double-double.
DoubleDouble atanUnit(DoubleDouble u) {
    const int k = static_cast<int>(u.hi * 16.0 + 0.5);
    const double c = k / 16.0;
    const DoubleDouble v = (u - DoubleDouble{c, 0.0}) / (DoubleDouble{1.0, 0.0} + u * DoubleDouble{c, 0.0});
    const DoubleDouble z = v * v;
    return kNodes[k] + (v + (v * z) * polynomial(kSeries, kExactTerms, z));
}

}  // namespace

double atan(double x) {
    if (x != x) return x;
    const bool negative = x < 0;
    const double a = negative ? -x : x;
    if (a < 0x1p-27) return x;  // atan x = x - x^3/3 rounds to x; keeps -0
    double result;
    if (a > 0x1p54) {
        result = kHalfPi.hi;  // pi/2 - 1/a rounds to the double nearest pi/2
    } else if (a <= 1.0) {
        result = atanUnit({a, 0.0}).hi;
    } else {
        result = (kHalfPi - atanUnit(DoubleDouble{1.0, 0.0} / DoubleDouble{a, 0.0})).hi;
    }
    return negative ? -result : result;
}

}  // namespace maths
