#pragma once
// The elementary functions the show and its player use, the same bits on
// every platform: the C library's differ in the last bit between glibc and
// the browser's, and a pixel or a pitch may depend on that bit. Each result
// is evaluated to about 100 bits and rounded once, so it is the correctly
// rounded value except in cases far rarer than one in a billion.
// sqrt, floor and the like are exact in IEEE arithmetic and stay the library's.

namespace maths {

double sin(double x);
double cos(double x);
double atan(double x);
// 2 to the power x (what pow(2.0, x) would return if correctly rounded).
double exp2(double x);

}  // namespace maths
