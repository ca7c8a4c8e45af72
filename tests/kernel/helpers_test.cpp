// The inline pieces of the kernel that need no module: the delay split and the 16-bit
// conversions, against literal readings of their rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "Code/Native/VelvaneFunctions.h"

namespace {

float FromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
uint32_t Bits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

// Floor by adding and subtracting 2^23 with the sign of d, one down where that rounded up.
float AddSubtractFloor(float d) {
    if (!(std::fabs(d) < 8388608.0f)) return d;
    const float big = std::copysign(8388608.0f, d);
    float t = (d + big) - big;
    if (t > d) t -= 1.0f;
    return t;
}

TEST(SplitDelay, AgreesWithAddAndSubtractOnEveryKindOfFloat) {
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 0.5f,
                                 -0.5f,
                                 1.0f,
                                 -1.0f,
                                 1.5f,
                                 -1.5f,
                                 2.5f,
                                 8388607.5f,
                                 8388608.0f,
                                 -8388607.5f,
                                 16777217.0f,
                                 2147483520.0f,
                                 2147483648.0f,
                                 -2147483648.0f,
                                 -2147483904.0f,
                                 1e30f,
                                 -1e30f,
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::denorm_min(),
                                 0.99999994f,
                                 -0.99999994f};
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65521) values.push_back(FromBits(static_cast<uint32_t>(bits)));
    for (size_t k = 0; k + 4 <= values.size(); k += 4) {
        __m128i packedN;
        __m128 packedR;
        SplitDelay(_mm_loadu_ps(&values[k]), packedN, packedR);
        for (size_t lane = 0; lane < 4; ++lane) {
            const float d = values[k + lane];
            const float floor = AddSubtractFloor(d);
            const uint32_t n = static_cast<uint32_t>(_mm_cvtt_ss2si(_mm_set_ss(floor)));
            float r;
            ASSERT_EQ(SplitDelay(d, r), n) << d;
            ASSERT_EQ(Bits(r), Bits(d - floor)) << d;
            alignas(16) uint32_t lanesN[4];
            alignas(16) float lanesR[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(lanesN), packedN);
            _mm_store_ps(lanesR, packedR);
            ASSERT_EQ(lanesN[lane], n) << d;
            ASSERT_EQ(Bits(lanesR[lane]), Bits(d - floor)) << d;
        }
    }
}

template <class Wide>
void ExpectSaturatingOutput() {
    struct Case {
        float y;
        int16_t expected;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const Case kCases[] = {{1.0f, 32767},
                           {-1.0f, -32768},
                           {0.5f, 16384},
                           {-0.5f, -16384},
                           {1.0000001f, 32767},
                           {2.0f, 32767},
                           {-2.0f, -32768},
                           {65536.0f, 32767},
                           {-1e10f, -32768},
                           {inf, 32767},
                           {-inf, -32768},
                           {0.99999994f, 32767},
                           {-0.99999994f, -32767},
                           {1.0f / 65536, 0},
                           {-1.5f / 32768, -1},
                           {std::numeric_limits<float>::quiet_NaN(), 0},
                           {-0.0f, 0}};
    for (const Case& c : kCases) EXPECT_EQ(Pcm16<Wide>::FromFloat(c.y), c.expected) << c.y;
}

TEST(Pcm16, OutputSaturatesInBothPrecisions) {
    ExpectSaturatingOutput<double>();
    ExpectSaturatingOutput<long double>();
}

// The x87 truncation must not depend on the unit's rounding control (bits 10 and 11).
TEST(Pcm16, X87OutputIgnoresTheX87RoundingMode) {
    uint16_t saved;
    __asm__ __volatile__("fnstcw %0" : "=m"(saved));
    for (uint16_t mode : {0x000, 0x400, 0x800, 0xC00}) {  // nearest, down, up, toward zero
        SCOPED_TRACE(mode);
        const uint16_t control = static_cast<uint16_t>((saved & ~0xC00) | mode);
        __asm__ __volatile__("fldcw %0" : : "m"(control));
        ExpectSaturatingOutput<long double>();
        for (int32_t s = -32768; s <= 32767; s += 7)
            ASSERT_EQ(Pcm16<long double>::FromFloat((s + 0.75f) / 32768.0f), s < 0 ? s + 1 : s) << s;
    }
    __asm__ __volatile__("fldcw %0" : : "m"(saved));
}

TEST(Pcm16, InputIsExactlyOneIn32768AndRoundTrips) {
    for (int32_t s = -32768; s <= 32767; ++s) {
        const auto sample = static_cast<int16_t>(s);
        ASSERT_EQ(Pcm16<double>::ToFloat(sample), s / 32768.0f) << s;
        ASSERT_EQ(Pcm16<long double>::ToFloat(sample), s / 32768.0f) << s;
        ASSERT_EQ(Pcm16<double>::FromFloat(Pcm16<double>::ToFloat(sample)), sample) << s;
    }
}

}  // namespace
