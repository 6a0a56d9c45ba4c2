#pragma once
// The elementary functions the game's state and pictures depend on, built
// from + - * / and sqrt alone. C libraries differ in the last bit of sin,
// cos, acos, atan2, hypot, pow and log2 for some arguments; these give the
// same bits on every platform whose basic operations are IEEE 754 (with no
// contraction into fused multiply-adds).
//
// Each one works in double-double arithmetic (about 104 bits) and rounds
// once at the end, so the result is the correctly rounded value for all but
// astronomically rare arguments. The special values (zeros, infinities, NaN)
// follow the C standard's rules for the functions of the same name.
namespace portable {

float sin(float x);
float cos(float x);
float acos(float x);
float atan2(float y, float x);
float hypot(float x, float y);
double hypot(double x, double y, double z);
double log2(double x);
// x to the whole power n, as std::pow(double, int) promotes it.
double pow(double x, int n);

// No silent change of precision: a double for a float function (or the
// reverse) is a compile error, not a conversion.
double sin(double) = delete;
double cos(double) = delete;
double acos(double) = delete;
double atan2(double, double) = delete;
double hypot(double, double) = delete;
float hypot(float, float, float) = delete;
float log2(float) = delete;
float pow(float, int) = delete;

}  // namespace portable
