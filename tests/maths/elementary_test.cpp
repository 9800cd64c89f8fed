// The project's elementary functions at their edges. The expected values are
// the correctly rounded results, computed independently with 3,000-bit
// arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "maths/elementary.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 0x1.921fb54442d18p+1;      // the double nearest pi
constexpr double kHalfPi = 0x1.921fb54442d18p+0;  // the double nearest pi/2

TEST(Elementary, ZerosKeepTheirSign) {
    EXPECT_TRUE(std::signbit(maths::sin(-0.0)));
    EXPECT_FALSE(std::signbit(maths::sin(0.0)));
    EXPECT_TRUE(std::signbit(maths::atan(-0.0)));
    EXPECT_EQ(maths::cos(-0.0), 1.0);
    EXPECT_EQ(maths::exp2(-0.0), 1.0);
    EXPECT_EQ(maths::sin(-0x1p-1074), -0x1p-1074);  // the smallest subnormal is its own sine
}

TEST(Elementary, NaNAndInfinities) {
    EXPECT_TRUE(std::isnan(maths::sin(kNaN)));
    EXPECT_TRUE(std::isnan(maths::sin(kInfinity)));
    EXPECT_TRUE(std::isnan(maths::cos(-kInfinity)));
    EXPECT_TRUE(std::isnan(maths::atan(kNaN)));
    EXPECT_TRUE(std::isnan(maths::exp2(kNaN)));
    EXPECT_EQ(maths::atan(kInfinity), kHalfPi);
    EXPECT_EQ(maths::atan(-kInfinity), -kHalfPi);
    EXPECT_EQ(maths::exp2(kInfinity), kInfinity);
    EXPECT_EQ(maths::exp2(-kInfinity), 0.0);
    EXPECT_EQ(maths::exp2(1024.0), kInfinity);
}

TEST(Elementary, NearMultiplesOfHalfPi) {
    EXPECT_EQ(maths::sin(kPi), 0x1.1a62633145c07p-53);
    EXPECT_EQ(maths::cos(kPi), -1.0);
    EXPECT_EQ(maths::cos(kHalfPi), 0x1.1a62633145c07p-54);
    EXPECT_EQ(maths::sin(kHalfPi), 1.0);
    EXPECT_EQ(maths::cos(0x1.2d97c7f3321d2p+2), -0x1.a79394c9e8a0ap-53);  // nearest 3 pi/2
    EXPECT_EQ(maths::sin(355.0), -0x1.f9bd0307d1de3p-16);                  // 355/113 is close to pi
    EXPECT_EQ(maths::cos(355.0), -0x1.fffffffc18e4cp-1);
}

// Where the reduction modulo pi/2 is hardest: huge arguments, and the double
// closest to a multiple of pi/2 (6381956970095103 x 2^797).
TEST(Elementary, HugeArguments) {
    EXPECT_EQ(maths::cos(0x1.6ac5b262ca1ffp+849), -0x1.14ae72e6ba22fp-61);
    EXPECT_EQ(maths::sin(0x1.6ac5b262ca1ffp+849), 1.0);
    EXPECT_EQ(maths::sin(1e22), -0x1.b453ab76bf397p-1);
    EXPECT_EQ(maths::cos(1e22), 0x1.0be2cef01c8f4p-1);
    EXPECT_EQ(maths::sin(0x1p1023), 0x1.205248cbdb760p-1);
    EXPECT_EQ(maths::cos(0x1p1023), -0x1.a719f26c232bfp-1);
    EXPECT_EQ(maths::sin(0x1.44ecd0d33972bp+997), 0x1.ef34cdbf73c31p-1);
    EXPECT_EQ(maths::cos(-0x1.44ecd0d33972bp+997), 0x1.041d0d08a96b3p-2);
}

// 0.75 is the first argument that is reduced rather than taken as it is.
TEST(Elementary, EitherSideOfTheReduction) {
    EXPECT_EQ(maths::sin(0.75), 0x1.5cffc16bf8f0dp-1);
    EXPECT_EQ(maths::sin(-0.75), -0x1.5cffc16bf8f0dp-1);
    EXPECT_EQ(maths::cos(0.75), 0x1.769fec655211fp-1);
    EXPECT_EQ(maths::sin(std::nextafter(0.75, 0.0)), -maths::sin(-std::nextafter(0.75, 0.0)));
}

TEST(Elementary, Arctangent) {
    EXPECT_EQ(maths::atan(1.0), 0x1.921fb54442d18p-1);  // the double nearest pi/4
    EXPECT_EQ(maths::atan(-1.0), -0x1.921fb54442d18p-1);
    EXPECT_EQ(maths::atan(0.5), 0x1.dac670561bb4fp-2);
    EXPECT_EQ(maths::atan(0x1p-20), 0x1.ffffffffff555p-21);
    EXPECT_EQ(maths::atan(3.0), 0x1.3fc176b7a8560p+0);
    EXPECT_EQ(maths::atan(1e10), 0x1.921fb543d4de0p+0);
    EXPECT_EQ(maths::atan(-0x1.3333333333333p-2), -0x1.2a73a661eaf06p-2);
    EXPECT_EQ(maths::atan(0x1p60), kHalfPi);
}

TEST(Elementary, PowersOfTwo) {
    for (int n = -1074; n <= 1023; ++n) ASSERT_EQ(maths::exp2(n), std::ldexp(1.0, n)) << n;
    EXPECT_EQ(maths::exp2(0.5), 0x1.6a09e667f3bcdp+0);
    EXPECT_EQ(maths::exp2(1.0 / 12.0), 0x1.0f38f92d97963p+0);  // a semitone
    EXPECT_EQ(maths::exp2(-7.0 / 12.0), 0x1.55b8108f0ec5ep-1);
    EXPECT_EQ(maths::exp2(1023.5), 0x1.6a09e667f3bcdp+1023);
    EXPECT_EQ(maths::exp2(-1075.5), 0.0);
}

// Results below 2^-1022 are rounded once: rounding the high part first and
// then the low part gave the neighbour of the nearest in these cases.
TEST(Elementary, SubnormalPowersOfTwo) {
    EXPECT_EQ(maths::exp2(-0x1.ff182260edf4ep+9), 0x0.e0a3091531e81p-1022);  // 2^-1022.2
    EXPECT_EQ(maths::exp2(-0x1.ff52b784f4ec1p+9), 0x0.a392365cfddddp-1022);
    EXPECT_EQ(maths::exp2(-0x1.fff4823c4da6ap+9), 0x0.441bed8da1c5bp-1022);
    EXPECT_EQ(maths::exp2(-0x1.0005cd2a4fd56p+10), 0x0.3c1a3c5ec9fadp-1022);
    EXPECT_EQ(maths::exp2(-1074.5), 0x1p-1074);  // 2^-1074.5 is nearer 2^-1074 than 0
}

}  // namespace
