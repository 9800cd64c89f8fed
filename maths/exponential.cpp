// exp2: x = n + f with n an integer and |f| <= 1/2, 2^f = e^(f ln 2) by its
// Taylor polynomial in double-double arithmetic, then scaled by 2^n.
#include "maths/double_double.h"
#include "maths/elementary.h"

namespace maths {
namespace {

constexpr DoubleDouble kLn2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};

// 1/k! for k = 1..23; |f ln 2| < 0.35, so from k = 13 on plain doubles suffice.
constexpr DoubleDouble kSeries[23] = {
    {0x1.0000000000000p+0, 0.0}, {0x1.0000000000000p-1, 0.0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57}, {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63}, {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73}, {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73}, {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80}, {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87}, {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97}, {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103}, {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},
    {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112}, {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120}, {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},
    {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130},
};
constexpr int kExactTerms = 12;

// p x 2^k below 2^-1022 (-1075 <= k <= -1022), rounded once to the nearest
// multiple of 2^-1074: rounding p.hi x 2^k alone and then p.lo would round twice.
double subnormal(DoubleDouble p, int k) {
    // In units of 2^-1074 the value is hi + lo with 0 <= hi < 2^52, both exact.
    const double hi = p.hi * powerOfTwo(k + 1074), lo = p.lo * powerOfTwo(k + 1074);
    double units = (hi + 0x1p52) - 0x1p52;  // the integer nearest hi, ties to even
    const double rest = hi - units;         // exact, in [-1/2, 1/2]
    // Only a tie of hi can be decided the other way by lo, which is far smaller
    // than the spacing of hi.
    if (rest == 0.5 && lo > 0) units += 1.0;
    if (rest == -0.5 && lo < 0) units -= 1.0;
    return units * 0x1p-1074;
}

}  // namespace

double exp2(double x) {
    if (x != x) return x;
    if (x >= 1024.0) return 0x1p1023 * 2.0;  // overflows to infinity
    if (x < -1075.0) return 0.0;
    // Nearest integer by the 1.5 x 2^52 trick: exact for |x| <= 2^51.
    constexpr double kRound = 0x1.8p52;
    const double n = (x + kRound) - kRound;
    const double f = x - n;  // exact
    const DoubleDouble w = DoubleDouble{f, 0.0} * kLn2;
    const DoubleDouble p = DoubleDouble{1.0, 0.0} + w * polynomial(kSeries, kExactTerms, w);
    const int k = static_cast<int>(n);
    if (k > -1022 || (k == -1022 && p.hi >= 1.0)) {
        // A normal result: scaling by 2^k is exact; k = 1024 only when f < 0.
        if (k > 1023) return p.hi * 2.0 * powerOfTwo(k - 1);
        return p.hi * powerOfTwo(k);
    }
    return subnormal(p, k);
}

}  // namespace maths
