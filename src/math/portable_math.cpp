#include "math/portable_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Everything below uses only + - * / and sqrt, whose results IEEE 754 fixes
// to the bit, plus exact operations (comparisons, sign changes, bit
// patterns). The build forbids contraction into fused multiply-adds, which
// would change the error terms the double-double steps rely on.

namespace {

// The bit pattern of a value as another type of the same size (std::bit_cast
// is missing from some of the standard libraries the game is built with).
template <class To, class From>
To reinterpretBits(From from)
{
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// ---------------------------------------------------------------------------
// Double-double arithmetic: a value is hi + lo with |lo| <= half an ulp of hi.

struct DD {
    double hi = 0.0;
    double lo = 0.0;
};

// Knuth's error-free sum: s + err == a + b exactly.
DD twoSum(double a, double b)
{
    const double s = a + b;
    const double bPart = s - a;
    const double err = (a - (s - bPart)) + (b - bPart);
    return {s, err};
}

// The same when |a| >= |b| (or a == 0).
DD quickTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp's split into two halves of 26 bits each; |a| below 2^995.
DD split(double a)
{
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double c = kSplitter * a;
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// Dekker's error-free product: p + err == a * b exactly (barring underflow).
DD twoProduct(double a, double b)
{
    const double p = a * b;
    const DD as = split(a);
    const DD bs = split(b);
    const double err = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {p, err};
}

DD negate(DD a) { return {-a.hi, -a.lo}; }

DD add(DD a, DD b)
{
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(s.hi, s.lo + t.lo);
}

DD subtract(DD a, DD b) { return add(a, negate(b)); }

DD multiply(DD a, DD b)
{
    const DD p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DD multiply(DD a, double b)
{
    const DD p = twoProduct(a.hi, b);
    return quickTwoSum(p.hi, p.lo + a.lo * b);
}

DD divide(DD a, double b)
{
    const double q1 = a.hi / b;
    const DD p = twoProduct(q1, b);
    const double rest = ((a.hi - p.hi) - p.lo) + a.lo;
    return quickTwoSum(q1, rest / b);
}

DD divide(DD a, DD b)
{
    const double q1 = a.hi / b.hi;
    DD r = subtract(a, multiply(b, q1));
    const double q2 = r.hi / b.hi;
    r = subtract(r, multiply(b, q2));
    const double q3 = r.hi / b.hi;
    return add(quickTwoSum(q1, q2), DD{q3, 0.0});
}

// a >= 0.
DD squareRoot(DD a)
{
    if (a.hi <= 0.0) return {0.0, 0.0};
    const double s = std::sqrt(a.hi);
    const DD rest = subtract(a, twoProduct(s, s));
    return quickTwoSum(s, rest.hi / (2.0 * s));
}

bool lessThan(DD a, DD b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }

// Terms smaller than this share of the sum no longer move a double-double.
constexpr double kSeriesTolerance = 0x1p-110;
constexpr int kMaxSeriesTerms = 40;

bool negligible(DD term, DD sum) { return std::fabs(term.hi) <= kSeriesTolerance * std::fabs(sum.hi); }

// ---------------------------------------------------------------------------
// Constants, each the double-double nearest the true value.

constexpr DD kPi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr DD kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr DD kQuarterPi = {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55};
constexpr DD kInverseLn2 = {0x1.71547652b82fep+0, 0x1.777d0ffda0d24p-56};

// atan(k / 8) for k = 0 .. 8.
constexpr DD kAtanEighths[9] = {
    {0.0, 0.0},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};

// The binary fraction of 2/pi, 32 bits a word, most significant first:
// 320 bits, enough for the largest float (exponent 127) and 128 bits beyond.
constexpr std::uint32_t kTwoOverPiBits[10] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599,
    0x3C439041, 0xFE5163AB, 0xDEBBC561, 0xB7246E3A, 0x424DD2E0,
};

// ---------------------------------------------------------------------------
// Rounding and scaling.

// The float next to f, away from zero when outward.
float adjacentFloat(float f, bool upward)
{
    if (f == 0.0f) return upward ? std::numeric_limits<float>::denorm_min() : -std::numeric_limits<float>::denorm_min();
    std::uint32_t bits = reinterpretBits<std::uint32_t>(f);
    bits = ((f > 0.0f) == upward) ? bits + 1 : bits - 1;
    return reinterpretBits<float>(bits);
}

// The float nearest hi + lo. Rounding hi alone is right unless hi sits
// exactly halfway between two floats; then lo (if any) decides.
float roundToFloat(DD v)
{
    const float f = static_cast<float>(v.hi);
    const double fd = f;
    if (fd == v.hi || v.lo == 0.0 || std::isinf(f)) return f;
    const float g = adjacentFloat(f, v.hi > fd);
    const double middle = (fd + static_cast<double>(g)) * 0.5;  // exact: two neighbouring floats
    if (v.hi == middle && ((v.lo > 0.0) == (g > f))) return g;
    return f;
}

// 2^e for a normal exponent.
double powerOfTwo(int e) { return reinterpretBits<double>(static_cast<std::uint64_t>(e + 1023) << 52); }

// v * 2^e in steps that stay normal until the last.
double scaleByPowerOfTwo(double v, std::int64_t e)
{
    constexpr int kStep = 1000;
    while (e > kStep) {
        v *= powerOfTwo(kStep);
        e -= kStep;
        if (std::isinf(v)) return v;
    }
    while (e < -kStep) {
        v *= powerOfTwo(-kStep);
        e += kStep;
        if (v == 0.0) return v;
    }
    return v * powerOfTwo(static_cast<int>(e));
}

// The double nearest (v.hi + v.lo) * 2^e. Scaling is exact unless the
// result falls below the normal range; then, as in roundToFloat, lo
// decides a scaled hi that sits exactly halfway.
double roundScaled(DD v, std::int64_t e)
{
    const double r = scaleByPowerOfTwo(v.hi, e);
    if (r == 0.0 && v.hi == 0.0) return r;
    if (std::fabs(r) >= std::numeric_limits<double>::min() || std::isinf(r) || v.lo == 0.0) return r;
    const double back = scaleByPowerOfTwo(r, -e);
    if (back == v.hi) return r;
    const bool upward = v.hi > back;
    std::uint64_t bits = reinterpretBits<std::uint64_t>(std::fabs(r));
    bits = ((r > 0.0 || (r == 0.0 && upward)) == upward) ? bits + 1 : bits - 1;
    const double g = std::copysign(reinterpretBits<double>(bits), r == 0.0 ? (upward ? 1.0 : -1.0) : r);
    const double middle = (back + scaleByPowerOfTwo(g, -e)) * 0.5;
    if (v.hi == middle && ((v.lo > 0.0) == upward)) return g;
    return r;
}

// A finite, nonzero |x| as m * 2^e with m in [1, 2).
struct Binade {
    double mantissa;
    int exponent;
};

Binade binadeOf(double x)
{
    x = std::fabs(x);
    int shift = 0;
    if (x < std::numeric_limits<double>::min()) {
        x *= 0x1p54;
        shift = 54;
    }
    const std::uint64_t bits = reinterpretBits<std::uint64_t>(x);
    const int biased = static_cast<int>(bits >> 52);
    const double mantissa = reinterpretBits<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    return {mantissa, biased - 1023 - shift};
}

// ---------------------------------------------------------------------------
// sin and cos.

// sin r and cos r for |r| <= pi/4, by their Taylor series.
DD sineSeries(DD r)
{
    if (r.hi == 0.0) return r;
    const DD r2 = multiply(r, r);
    DD term = r;
    DD sum = r;
    for (int k = 1; k < kMaxSeriesTerms; ++k) {
        term = divide(multiply(term, r2), -static_cast<double>((2 * k) * (2 * k + 1)));
        sum = add(sum, term);
        if (negligible(term, sum)) break;
    }
    return sum;
}

DD cosineSeries(DD r)
{
    const DD r2 = multiply(r, r);
    DD term = {1.0, 0.0};
    DD sum = term;
    if (r.hi == 0.0) return sum;
    for (int k = 1; k < kMaxSeriesTerms; ++k) {
        term = divide(multiply(term, r2), -static_cast<double>((2 * k - 1) * (2 * k)));
        sum = add(sum, term);
        if (negligible(term, sum)) break;
    }
    return sum;
}

// |x| = (quadrant + fraction) quarter turns, fraction in [-1/2, 1/2]; r is
// the fraction in radians.
struct Reduced {
    DD r;
    unsigned quadrant;
};

// Below this no reduction is needed: it is under pi/4.
constexpr float kUnreducedLimit = 0.78125f;

// Payne and Hanek's reduction with whole-number arithmetic: |x| = m * 2^e
// with m a 24-bit integer, times 2/pi taken from the bit where whole
// multiples of four turns stop mattering, over 128 bits of it.
Reduced reduceQuarterTurns(float x)
{
    const std::uint32_t bits = reinterpretBits<std::uint32_t>(x) & 0x7FFFFFFFu;
    const int biased = static_cast<int>(bits >> 23);
    const std::uint64_t m = (bits & 0x7FFFFFu) | (biased != 0 ? 0x800000u : 0u);
    const int e = (biased != 0 ? biased : 1) - 150;  // |x| = m * 2^e

    // Bits of 2/pi before index 'first' contribute whole multiples of 4.
    const int first = e - 2 > 0 ? e - 2 : 0;
    std::uint32_t w[4];
    const int word = first / 32;
    const int shift = first % 32;
    for (int j = 0; j < 4; ++j) {
        const std::uint32_t high = kTwoOverPiBits[word + j];
        const std::uint32_t next = kTwoOverPiBits[word + j + 1];
        w[j] = shift == 0 ? high : (high << shift) | (next >> (32 - shift));
    }
    // p = m * w: 160 bits, p[0] the most significant word. Its value in
    // quarter turns is p * 2^(e - first - 128).
    std::uint32_t p[5];
    std::uint64_t carry = 0;
    for (int j = 3; j >= 0; --j) {
        const std::uint64_t product = m * w[j] + carry;
        p[j + 1] = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    p[0] = static_cast<std::uint32_t>(carry);

    // Move the binary point to 2 bits below the top: the top two bits are
    // then the quadrant (mod 4), the rest the fraction of a quarter turn.
    const int fractionBits = first + 128 - e;  // 126 .. 152
    const int left = 158 - fractionBits;       // 6 .. 32
    std::uint32_t s[5];
    for (int j = 0; j < 5; ++j) {
        const std::uint64_t pair = (static_cast<std::uint64_t>(p[j]) << 32) | (j + 1 < 5 ? p[j + 1] : 0u);
        s[j] = static_cast<std::uint32_t>((pair << left) >> 32);
    }
    unsigned quadrant = s[0] >> 30;
    // The 128 bits below the quadrant, as a two's complement number: a
    // fraction of a half or more counts as the next quadrant, less one.
    std::uint64_t high = (static_cast<std::uint64_t>(s[0]) << 34) | (static_cast<std::uint64_t>(s[1]) << 2) | (s[2] >> 30);
    std::uint64_t low = (static_cast<std::uint64_t>(s[2]) << 34) | (static_cast<std::uint64_t>(s[3]) << 2) | (s[4] >> 30);
    const bool negative = (high >> 63) != 0;
    if (negative) {
        quadrant = (quadrant + 1) & 3u;
        low = ~low + 1;
        high = ~high + (low == 0 ? 1 : 0);
    }
    // The magnitude high * 2^-64 + low * 2^-128, summed from exact pieces.
    DD fraction = add(DD{static_cast<double>(high >> 32) * 0x1p-32, 0.0},
                      DD{static_cast<double>(high & 0xFFFFFFFFu) * 0x1p-64, 0.0});
    fraction = add(fraction, DD{static_cast<double>(low >> 32) * 0x1p-96, 0.0});
    fraction = add(fraction, DD{static_cast<double>(low & 0xFFFFFFFFu) * 0x1p-128, 0.0});
    DD r = multiply(fraction, kHalfPi);
    if (negative) r = negate(r);
    return {r, quadrant};
}

Reduced reduce(float x)
{
    if (std::fabs(x) < kUnreducedLimit) return {DD{std::fabs(static_cast<double>(x)), 0.0}, 0};
    return reduceQuarterTurns(x);
}

// ---------------------------------------------------------------------------
// atan, the core of atan2 and acos.

// atan v for |v| <= 1/16, by its Taylor series.
DD arctangentSeries(DD v)
{
    if (v.hi == 0.0) return v;
    const DD v2 = multiply(v, v);
    DD power = v;
    DD sum = v;
    for (int n = 1; n < kMaxSeriesTerms; ++n) {
        power = negate(multiply(power, v2));
        const DD term = divide(power, static_cast<double>(2 * n + 1));
        sum = add(sum, term);
        if (negligible(term, sum)) break;
    }
    return sum;
}

// atan t for 0 <= t <= 1: atan t = atan c + atan((t - c) / (1 + t c)) with
// c the nearest eighth, which leaves at most 1/16 for the series.
DD arctangentUnit(DD t)
{
    const int k = static_cast<int>(t.hi * 8.0 + 0.5);
    const double c = k / 8.0;
    if (k == 0) return arctangentSeries(t);
    const DD v = divide(subtract(t, DD{c, 0.0}), add(DD{1.0, 0.0}, multiply(t, c)));
    return add(kAtanEighths[k], arctangentSeries(v));
}

// The angle of (x, y) for y >= 0, not both zero, in [0, pi].
DD arctangent2(DD y, DD x)
{
    const DD ax = x.hi < 0.0 ? negate(x) : x;
    DD angle = lessThan(ax, y) ? subtract(kHalfPi, arctangentUnit(divide(ax, y))) : arctangentUnit(divide(y, ax));
    if (x.hi < 0.0) angle = subtract(kPi, angle);
    return angle;
}

// ln m for m in [sqrt(1/2), sqrt(2)]: 2 atanh s with s = (m - 1) / (m + 1).
DD logarithmNearOne(double m)
{
    const DD s = divide(DD{m - 1.0, 0.0}, twoSum(m, 1.0));  // m - 1 is exact here
    if (s.hi == 0.0) return s;
    const DD s2 = multiply(s, s);
    DD power = s;
    DD sum = s;
    for (int n = 1; n < kMaxSeriesTerms; ++n) {
        power = multiply(power, s2);
        const DD term = divide(power, static_cast<double>(2 * n + 1));
        sum = add(sum, term);
        if (negligible(term, sum)) break;
    }
    return multiply(sum, 2.0);
}

constexpr double kSqrtTwo = 1.4142135623730951;

// ---------------------------------------------------------------------------
// Quick paths in plain double for the float functions. Their error stays
// well below kQuickErrorShare of the result; when every value within that
// margin rounds to the same float, that float is the answer, and only the
// rare rest (about one argument in ten million) takes the double-double path.

constexpr double kQuickErrorShare = 0x1p-48;

bool certainFloat(double v, float& out)
{
    const double margin = std::fabs(v) * kQuickErrorShare;
    const float below = static_cast<float>(v - margin);
    const float above = static_cast<float>(v + margin);
    out = below;
    return below == above;
}

// Taylor coefficients (-1)^k / (2k + 1)! and (-1)^k / (2k)!.
constexpr double kSineTaylor[9] = {1.0,
                                   -1.0 / 6.0,
                                   1.0 / 120.0,
                                   -1.0 / 5040.0,
                                   1.0 / 362880.0,
                                   -1.0 / 39916800.0,
                                   1.0 / 6227020800.0,
                                   -1.0 / 1307674368000.0,
                                   1.0 / 355687428096000.0};
constexpr double kCosineTaylor[10] = {1.0,
                                      -1.0 / 2.0,
                                      1.0 / 24.0,
                                      -1.0 / 720.0,
                                      1.0 / 40320.0,
                                      -1.0 / 3628800.0,
                                      1.0 / 479001600.0,
                                      -1.0 / 87178291200.0,
                                      1.0 / 20922789888000.0,
                                      -1.0 / 6402373705728000.0};

// sin and cos of r.hi + r.lo for |r| <= pi/4; the small r.lo enters by the
// first term of its own Taylor expansion.
double quickSine(DD r)
{
    const double r2 = r.hi * r.hi;
    double poly = kSineTaylor[8];
    for (int k = 7; k >= 1; --k) poly = kSineTaylor[k] + r2 * poly;
    return r.hi + ((r.lo - 0.5 * r2 * r.lo) + r.hi * r2 * poly);
}

double quickCosine(DD r)
{
    const double r2 = r.hi * r.hi;
    double poly = kCosineTaylor[9];
    for (int k = 8; k >= 1; --k) poly = kCosineTaylor[k] + r2 * poly;
    return 1.0 + (r2 * poly - r.hi * r.lo);
}

// (-1)^n / (2n + 1), the Taylor coefficients of atan.
constexpr double kAtanTaylor[9] = {1.0,        -1.0 / 3.0, 1.0 / 5.0,  -1.0 / 7.0, 1.0 / 9.0,
                                   -1.0 / 11.0, 1.0 / 13.0, -1.0 / 15.0, 1.0 / 17.0};

// The angle of (x, y) for y >= 0, not both zero, finite: the same steps as
// arctangent2 below in plain double.
double quickArctangent2(double y, double x)
{
    const double ax = std::fabs(x);
    const bool steep = ax < y;
    const double t = steep ? ax / y : y / ax;
    const int k = static_cast<int>(t * 8.0 + 0.5);
    const double c = k / 8.0;
    const double v = (t - c) / (1.0 + t * c);  // t - c is exact
    const double v2 = v * v;
    double poly = kAtanTaylor[8];
    for (int n = 7; n >= 1; --n) poly = kAtanTaylor[n] + v2 * poly;
    double angle = kAtanEighths[k].hi + (kAtanEighths[k].lo + (v + v * v2 * poly));
    if (steep) angle = (kHalfPi.hi - angle) + kHalfPi.lo;
    if (x < 0.0) angle = (kPi.hi - angle) + kPi.lo;
    return angle;
}

}  // namespace

namespace portable {

float sin(float x)
{
    if (std::isnan(x) || std::isinf(x)) return x - x;
    if (x == 0.0f) return x;
    const Reduced red = reduce(x);
    const bool negative = (red.quadrant >= 2) != (x < 0.0f);
    double quick = (red.quadrant & 1u) ? quickCosine(red.r) : quickSine(red.r);
    float result;
    if (!certainFloat(negative ? -quick : quick, result)) {
        DD v = (red.quadrant & 1u) ? cosineSeries(red.r) : sineSeries(red.r);
        result = roundToFloat(negative ? negate(v) : v);
    }
    return result;
}

float cos(float x)
{
    if (std::isnan(x) || std::isinf(x)) return x - x;
    const Reduced red = reduce(x);
    const bool negative = red.quadrant == 1 || red.quadrant == 2;
    const double quick = (red.quadrant & 1u) ? quickSine(red.r) : quickCosine(red.r);
    float result;
    if (!certainFloat(negative ? -quick : quick, result)) {
        DD v = (red.quadrant & 1u) ? sineSeries(red.r) : cosineSeries(red.r);
        result = roundToFloat(negative ? negate(v) : v);
    }
    return result;
}

float acos(float x)
{
    if (std::isnan(x)) return x;
    if (x > 1.0f || x < -1.0f) return std::numeric_limits<float>::quiet_NaN();
    const double xd = x;
    // The angle whose cosine is x and whose sine is sqrt((1 - x)(1 + x)).
    float result;
    if (certainFloat(quickArctangent2(std::sqrt((1.0 - xd) * (1.0 + xd)), xd), result)) return result;
    const DD s = squareRoot(multiply(twoSum(1.0, -xd), twoSum(1.0, xd)));
    return roundToFloat(arctangent2(s, DD{xd, 0.0}));
}

float atan2(float y, float x)
{
    if (std::isnan(x) || std::isnan(y)) return x + y;
    const bool below = std::signbit(y);
    DD angle;
    if (y == 0.0f) {
        angle = std::signbit(x) ? kPi : DD{0.0, 0.0};
    } else if (std::isinf(y)) {
        if (std::isinf(x)) angle = x > 0.0f ? kQuarterPi : subtract(kPi, kQuarterPi);
        else angle = kHalfPi;
    } else if (std::isinf(x)) {
        angle = x > 0.0f ? DD{0.0, 0.0} : kPi;
    } else if (x == 0.0f) {
        angle = kHalfPi;
    } else {
        const double ay = std::fabs(static_cast<double>(y));
        float quick;
        if (certainFloat(quickArctangent2(ay, x), quick)) return below ? -quick : quick;
        angle = arctangent2(DD{ay, 0.0}, DD{static_cast<double>(x), 0.0});
    }
    const float result = roundToFloat(angle);
    return below ? -result : result;
}

float hypot(float x, float y)
{
    if (std::isinf(x) || std::isinf(y)) return std::numeric_limits<float>::infinity();
    if (std::isnan(x) || std::isnan(y)) return x + y;
    // Squares of floats are exact in double, and nowhere near its range.
    const DD xx = twoProduct(x, x);
    const DD yy = twoProduct(y, y);
    return roundToFloat(squareRoot(add(xx, yy)));
}

double hypot(double x, double y, double z)
{
    if (std::isinf(x) || std::isinf(y) || std::isinf(z)) return std::numeric_limits<double>::infinity();
    if (std::isnan(x) || std::isnan(y) || std::isnan(z)) return x + y + z;
    x = std::fabs(x);
    y = std::fabs(y);
    z = std::fabs(z);
    const double largest = x > y ? (x > z ? x : z) : (y > z ? y : z);
    if (largest == 0.0) return 0.0;
    // Scale the largest into [1, 2) by a power of two (exact), so the
    // squares neither overflow nor lose their error terms.
    const int e = binadeOf(largest).exponent;
    x = scaleByPowerOfTwo(x, -e);
    y = scaleByPowerOfTwo(y, -e);
    z = scaleByPowerOfTwo(z, -e);
    const DD sum = add(add(twoProduct(x, x), twoProduct(y, y)), twoProduct(z, z));
    return scaleByPowerOfTwo(squareRoot(sum).hi, e);
}

double log2(double x)
{
    if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return x;
    Binade b = binadeOf(x);
    if (b.mantissa > kSqrtTwo) {
        b.mantissa *= 0.5;
        b.exponent += 1;
    }
    const DD result = add(DD{static_cast<double>(b.exponent), 0.0}, multiply(logarithmNearOne(b.mantissa), kInverseLn2));
    return result.hi;
}

double pow(double x, int n)
{
    if (n == 0) return 1.0;
    if (std::isnan(x)) return x;
    const bool odd = (n % 2) != 0;
    const bool negativeResult = odd && std::signbit(x);
    const double sign = negativeResult ? -1.0 : 1.0;
    if (x == 0.0) return n > 0 ? sign * 0.0 : sign * std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return n > 0 ? sign * std::numeric_limits<double>::infinity() : sign * 0.0;

    // |x|^|n| = m^|n| * 2^(e |n|), m in [1, 2): square and multiply in
    // double-double, keeping each factor in [1, 2) by counting its powers of two.
    const Binade b = binadeOf(x);
    DD base = {b.mantissa, 0.0};
    std::int64_t baseExponent = b.exponent;
    DD result = {1.0, 0.0};
    std::int64_t resultExponent = 0;
    std::uint32_t count = n > 0 ? static_cast<std::uint32_t>(n) : 0u - static_cast<std::uint32_t>(n);
    while (true) {
        if (count & 1u) {
            result = multiply(result, base);
            resultExponent += baseExponent;
            if (result.hi >= 2.0) {
                result = {result.hi * 0.5, result.lo * 0.5};
                resultExponent += 1;
            }
        }
        count >>= 1;
        if (count == 0) break;
        base = multiply(base, base);
        baseExponent *= 2;
        if (base.hi >= 2.0) {
            base = {base.hi * 0.5, base.lo * 0.5};
            baseExponent += 1;
        }
    }
    if (n < 0) {
        result = divide(DD{1.0, 0.0}, result);
        resultExponent = -resultExponent;
    }
    return sign * roundScaled(result, resultExponent);
}

}  // namespace portable
