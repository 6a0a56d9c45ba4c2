// The portable functions against references computed independently in long
// double (64-bit significands, 11 to 40 bits more than the results): each
// result must be the correctly rounded value, the one answer every platform
// can agree on.
#include "math/portable_math.h"
#include "math/vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The float or double nearest a long double reference, or nothing when the
// reference lies too near a rounding boundary to tell.
template <class T>
bool nearestTo(long double reference, T& out)
{
    out = static_cast<T>(reference);
    if (std::isnan(reference) || std::isinf(out) || reference == 0.0L) return true;
    const long double up = std::nextafter(out, std::numeric_limits<T>::infinity());
    const long double down = std::nextafter(out, -std::numeric_limits<T>::infinity());
    const long double tolerance = std::fabs(reference) * 0x1p-59L;
    return std::fabs(reference - (out + up) / 2) > tolerance && std::fabs(reference - (out + down) / 2) > tolerance;
}

template <class T>
bool sameBits(T a, T b)
{
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Case {
    std::string name;
    double got;
    long double reference;
    bool isFloat;
};

// Every case must be decidable and equal to the reference's rounding.
void expectCorrectlyRounded(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.isFloat) {
            float expected;
            ASSERT_TRUE(nearestTo(c.reference, expected)) << "reference too close to a rounding boundary";
            EXPECT_TRUE(sameBits(static_cast<float>(c.got), expected)) << std::hexfloat << c.got << " vs " << expected;
        } else {
            double expected;
            ASSERT_TRUE(nearestTo(c.reference, expected)) << "reference too close to a rounding boundary";
            EXPECT_TRUE(sameBits(c.got, expected)) << std::hexfloat << c.got << " vs " << expected;
        }
    }
}

std::string label(const char* function, long double a, long double b = 0.0L)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s(%La, %La)", function, a, b);
    return text;
}

float floatAfter(float x, int steps)
{
    for (; steps > 0; --steps) x = std::nextafter(x, std::numeric_limits<float>::infinity());
    for (; steps < 0; ++steps) x = std::nextafter(x, -std::numeric_limits<float>::infinity());
    return x;
}

TEST(PortableMath, SineAndCosineAreCorrectlyRoundedAtHardArguments)
{
    std::vector<float> args = {
        1e-30f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(), 1e-4f, 0.5f,
        0.78125f, 0.7853982f, 1.0f, -2.5f, 3.0f, 100.0f, 359.5f, -400.0f, 1e6f, 16777215.0f, 1e10f, 1e22f,
        0x1.5p+100f, 1e38f, std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
        -0x1.63885p+8f, 0x1.33708p+8f, 0x1.52f4e8p+8f, -0x1.917e72p+7f,  // where C libraries misround
    };
    // Floats next to multiples of pi/2, where the reduction cancels most bits.
    for (int k = 1; k <= 12; ++k) {
        const float near = static_cast<float>(k * 1.5707963267948966);
        for (int step = -2; step <= 2; ++step) args.push_back(floatAfter(near, step));
    }
    args.push_back(16367173.0f * 0x1p72f);  // closer than most to a multiple of pi/2
    std::vector<Case> cases;
    for (const float x : args) {
        cases.push_back({label("sin", x), portable::sin(x), sinl(x), true});
        cases.push_back({label("cos", x), portable::cos(x), cosl(x), true});
    }
    expectCorrectlyRounded(cases);
}

TEST(PortableMath, ArccosineAndArctangentAreCorrectlyRoundedAtHardArguments)
{
    std::vector<Case> cases;
    for (const float x : {-1.0f, floatAfter(-1.0f, 1), -0.5f, -1e-20f, 0.0f, 1e-20f, 0.3f, 0.5f, 0.70710677f,
                          floatAfter(1.0f, -3), floatAfter(1.0f, -1), 1.0f, 0x1.587db8p-2f, -0x1.1469p-2f, -0x1.066e8cp-1f}) {
        cases.push_back({label("acos", x), portable::acos(x), acosl(x), true});
    }
    const float pairs[][2] = {
        {1.0f, 1.0f},      {1.0f, -1.0f},         {-1.0f, -1.0f},     {3.0f, 4.0f},   {-200.5f, 17.25f},
        {1e-30f, 1e30f},   {1e30f, 1e-30f},       {1e-30f, -1e30f},   {-1e-30f, -1.0f}, {0.41421357f, 1.0f},
        {999.9f, -0.001f}, {-0.001f, 999.9f},     {7.0f, 56.0f},      {1.0f, 8.0f},   {3.4e38f, 3.3e38f},
        {0x1.bfb0ap+7f, 0x1.d81158p+8f},   {0x1.defa4p+5f, -0x1.bbac9p+7f},     {-0x1.215bap+7f, 0x1.b5e298p+8f},
    };
    for (const auto& p : pairs) cases.push_back({label("atan2", p[0], p[1]), portable::atan2(p[0], p[1]), atan2l(p[0], p[1]), true});
    expectCorrectlyRounded(cases);
}

TEST(PortableMath, HypotLogAndPowerAreCorrectlyRoundedAtHardArguments)
{
    std::vector<Case> cases;
    const float pairs[][2] = {{3.0f, 4.0f}, {1.0f, 1.0f}, {1e-40f, 1e-41f}, {3e38f, 3e38f}, {1.0f, 1e-4f},
                              {-700.25f, 0.125f}, {16777215.0f, 16777213.0f}};
    for (const auto& p : pairs) cases.push_back({label("hypot", p[0], p[1]), portable::hypot(p[0], p[1]), hypotl(p[0], p[1]), true});
    const double triples[][3] = {{1, 2, 3}, {1e300, 1e300, 1e300}, {1e-300, 2e-310, 3e-320}, {-812.5, 120.25, 33.0},
                                 {1.0, 1e-9, 1e-9}};
    for (const auto& t : triples) {
        const long double x = t[0], y = t[1], z = t[2];
        const long double reference = std::sqrt(x * x + y * y + z * z);  // long double's range holds the squares
        cases.push_back({label("hypot3", x, y), portable::hypot(t[0], t[1], t[2]), reference, false});
    }
    for (const double x : {1.0000000000000002, 1.5, 3.0, 10.0, 1e-310, 1e300, 0.9999999999999999, 1234.5678}) {
        cases.push_back({label("log2", x), portable::log2(x), log2l(x), false});
    }
    const std::pair<double, int> powers[] = {{0.8, 1},   {0.8, 7},      {0.95, 13},   {0.95, 200},  {0.8, -25},
                                             {3.0, 40},  {1.0000001, 100000}, {0.75, 2500}, {2.0, -1074}, {-1.5, 33}};
    for (const auto& [x, n] : powers) cases.push_back({label("pow", x, n), portable::pow(x, n), powl(x, n), false});
    expectCorrectlyRounded(cases);
}

// Wide sweeps over the ranges the game uses and over all floats: not one
// result may differ from the correctly rounded value.
TEST(PortableMath, SweepsFindNoMisroundedResult)
{
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    auto nextBits = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    auto uniform = [&](float low, float high) { return low + (high - low) * static_cast<float>((nextBits() >> 40) * 0x1p-24); };
    auto anyFloat = [&] {
        for (;;) {
            const auto bits = static_cast<std::uint32_t>(nextBits());
            float f;
            std::memcpy(&f, &bits, sizeof f);
            if (std::isfinite(f)) return f;
        }
    };
    constexpr int kSamples = 40000;
    int wrong = 0, undecided = 0;
    auto check = [&](float got, long double reference) {
        float expected;
        if (!nearestTo(reference, expected)) ++undecided;
        else if (!sameBits(got, expected)) ++wrong;
    };
    for (int i = 0; i < kSamples; ++i) {
        const float angle = i % 2 ? uniform(-400.0f, 400.0f) : anyFloat();
        check(portable::sin(angle), sinl(angle));
        check(portable::cos(angle), cosl(angle));
        const float c = uniform(-1.0f, 1.0f);
        check(portable::acos(c), acosl(c));
        const float y = i % 2 ? uniform(-1000.0f, 1000.0f) : anyFloat();
        const float x = i % 2 ? uniform(-1000.0f, 1000.0f) : anyFloat();
        check(portable::atan2(y, x), atan2l(y, x));
        check(portable::hypot(x, y), hypotl(x, y));
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_LT(undecided, kSamples / 1000);
}

TEST(PortableMath, SpecialValuesFollowTheCStandard)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr long double kPi = 3.14159265358979323846L;
    constexpr auto pi = static_cast<float>(kPi), halfPi = static_cast<float>(kPi / 2);
    constexpr auto quarterPi = static_cast<float>(kPi / 4), threeQuarterPi = static_cast<float>(3 * kPi / 4);
    const struct {
        const char* name;
        float got, expected;
    } cases[] = {
        {"sin(-0)", portable::sin(-0.0f), -0.0f},       {"sin(inf)", portable::sin(inf), nan},
        {"cos(-0)", portable::cos(-0.0f), 1.0f},        {"cos(nan)", portable::cos(nan), nan},
        {"acos(1)", portable::acos(1.0f), 0.0f},        {"acos(-1)", portable::acos(-1.0f), pi},
        {"acos(1.5)", portable::acos(1.5f), nan},       {"atan2(0, -0)", portable::atan2(0.0f, -0.0f), pi},
        {"atan2(-0, -0)", portable::atan2(-0.0f, -0.0f), -pi}, {"atan2(-0, 0)", portable::atan2(-0.0f, 0.0f), -0.0f},
        {"atan2(-0, 5)", portable::atan2(-0.0f, 5.0f), -0.0f}, {"atan2(2, 0)", portable::atan2(2.0f, 0.0f), halfPi},
        {"atan2(inf, -inf)", portable::atan2(inf, -inf), threeQuarterPi},
        {"atan2(-inf, inf)", portable::atan2(-inf, inf), -quarterPi},
        {"atan2(1, -inf)", portable::atan2(1.0f, -inf), pi}, {"atan2(nan, 1)", portable::atan2(nan, 1.0f), nan},
        {"hypot(inf, nan)", portable::hypot(inf, nan), inf}, {"hypot(nan, 1)", portable::hypot(nan, 1.0f), nan},
        {"hypot(-0, 0)", portable::hypot(-0.0f, 0.0f), 0.0f},
    };
    for (const auto& c : cases) EXPECT_TRUE(sameBits(c.got, c.expected)) << c.name << " gave " << c.got;

    constexpr double dinf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        double got, expected;
    } doubles[] = {
        {"log2(0)", portable::log2(0.0), -dinf},          {"log2(-1)", portable::log2(-1.0), std::nan("")},
        {"log2(inf)", portable::log2(dinf), dinf},        {"log2(2^-1074)", portable::log2(0x1p-1074), -1074.0},
        {"log2(2^1023)", portable::log2(0x1p1023), 1023.0}, {"pow(nan, 0)", portable::pow(std::nan(""), 0), 1.0},
        {"pow(-0, -1)", portable::pow(-0.0, -1), -dinf},  {"pow(-0, 2)", portable::pow(-0.0, 2), 0.0},
        {"pow(-inf, 3)", portable::pow(-dinf, 3), -dinf}, {"pow(-inf, -2)", portable::pow(-dinf, -2), 0.0},
        {"pow(-2, 63)", portable::pow(-2.0, 63), -0x1p63}, {"pow(10, 400)", portable::pow(10.0, 400), dinf},
        {"pow(0.5, 1075)", portable::pow(0.5, 1075), 0.0}, {"pow(0.5, 1074)", portable::pow(0.5, 1074), 0x1p-1074},
        {"hypot3(inf, nan, 1)", portable::hypot(dinf, std::nan(""), 1.0), dinf},
        {"hypot3(0, -0, 0)", portable::hypot(0.0, -0.0, 0.0), 0.0},
    };
    for (const auto& c : doubles) EXPECT_TRUE(sameBits(c.got, c.expected)) << c.name << " gave " << c.got;
}

// The game's rotation takes its sine and cosine from the portable functions:
// at these headings C libraries are known to misround one of them.
TEST(PortableMath, RotationUsesCorrectlyRoundedSineAndCosine)
{
    for (const float heading : {-707.5f, -705.0f, -700.0f, -681.0f, -668.0f, -660.0f, -636.5f, -616.0f}) {
        const float angle = heading * kDegreesToRadians;
        // About the up axis, (1, 0, 0) turns to exactly (cos a, 0, -sin a).
        const Vector3 turned = RotateAroundAxis({1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, angle);
        float expectedCos, expectedSin;
        ASSERT_TRUE(nearestTo(cosl(angle), expectedCos) && nearestTo(sinl(angle), expectedSin));
        EXPECT_TRUE(sameBits(turned.x, expectedCos)) << "heading " << heading;
        EXPECT_TRUE(sameBits(-turned.z, expectedSin)) << "heading " << heading;
    }
}

}  // namespace
