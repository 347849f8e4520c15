// AddBits, Times101 and UnsignedText against independent arithmetic: wrap-around
// unsigned sums and products, and the decimal text of the unsigned value.
#include "pelvaro/wrapping_arithmetic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace pelvaro {
namespace {

std::int32_t FromBits(std::uint32_t bits) { return static_cast<std::int32_t>(bits); }
std::uint32_t Bits(std::int32_t value) { return static_cast<std::uint32_t>(value); }

// Values where carries start, stop or fall off the top.
std::vector<std::int32_t> BoundaryValues() {
    std::vector<std::int32_t> values = {0, 1, -1, 2, -2, 3, 100, 101, -101, 1234, 5678};
    for (int bit = 0; bit < 32; ++bit) {
        const std::uint32_t power = std::uint32_t{1} << bit;
        for (std::uint32_t bits : {power, power - 1, power + 1, ~power}) values.push_back(FromBits(bits));
    }
    values.push_back(std::numeric_limits<std::int32_t>::max());
    values.push_back(std::numeric_limits<std::int32_t>::min());
    return values;
}

constexpr int kRandomRounds = 1'000'000;

TEST(AddBits, KnownSums) {
    EXPECT_EQ(AddBits(2147483647, 1), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(AddBits(-1, 1), 0);
    EXPECT_EQ(AddBits(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()), 0);
    EXPECT_EQ(AddBits(1234, 5678), 6912);
    EXPECT_EQ(AddBits(-1, -1), -2);
    EXPECT_EQ(AddBits(0x55555555, FromBits(0xAAAAAAAAu)), -1);
}

TEST(AddBits, EqualsWrapAroundSumOnEveryBoundaryPair) {
    const auto values = BoundaryValues();
    for (std::int32_t a : values)
        for (std::int32_t b : values) ASSERT_EQ(Bits(AddBits(a, b)), Bits(a) + Bits(b)) << a << " + " << b;
}

TEST(AddBits, EqualsWrapAroundSumOnRandomPairs) {
    std::mt19937 random(20261208);
    for (int round = 0; round < kRandomRounds; ++round) {
        const std::uint32_t a = static_cast<std::uint32_t>(random());
        const std::uint32_t b = static_cast<std::uint32_t>(random());
        ASSERT_EQ(Bits(AddBits(FromBits(a), FromBits(b))), a + b) << a << " + " << b;
    }
}

TEST(Times101, KnownProducts) {
    EXPECT_EQ(Times101(0), 0);
    EXPECT_EQ(Times101(1), 101);
    EXPECT_EQ(Times101(-1), -101);
    EXPECT_EQ(Times101(2147483647), 2147483547);
    EXPECT_EQ(Times101(std::numeric_limits<std::int32_t>::min()), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Times101(42524429), 33);  // 101 * 42524429 = 2^32 + 33
}

TEST(Times101, EqualsWrapAroundProduct) {
    for (std::int32_t a : BoundaryValues()) ASSERT_EQ(Bits(Times101(a)), 101u * Bits(a)) << a;
    std::mt19937 random(101);
    for (int round = 0; round < kRandomRounds; ++round) {
        const std::uint32_t a = static_cast<std::uint32_t>(random());
        ASSERT_EQ(Bits(Times101(FromBits(a))), 101u * a) << a;
    }
}

// WriteUnsignedText's text, checked to stay within its ten characters.
std::string Written(std::int32_t n) {
    char text[kLongestUnsignedText + 2];
    std::fill(std::begin(text), std::end(text), '#');
    const std::size_t size = std::min(WriteUnsignedText(n, text + 1), kLongestUnsignedText);
    EXPECT_EQ(text[0], '#') << n << ": written before the text";
    EXPECT_EQ(text[size + 1], '#') << n << ": written beyond the text";
    return std::string(text + 1, size);
}

TEST(UnsignedText, KnownTextsInBothForms) {
    const std::pair<std::int32_t, std::string> known[] = {
        {0, "0"},
        {97, "97"},
        {2147483647, "2147483647"},
        {-1, "4294967295"},
        {std::numeric_limits<std::int32_t>::min(), "2147483648"},
        {-1147483648, "3147483648"},  // m exactly 10^9: no loop turn, the carry out of t gives the 3
        {-1147483647, "3147483649"},
        {-1294967296, "3000000000"},  // either side of t reaching 10^9
        {-1294967297, "2999999999"},
        {-1957447056, "2337520240"},
    };
    for (const auto& [n, text] : known) {
        EXPECT_EQ(UnsignedText(n), text) << n;
        EXPECT_EQ(Written(n), text) << n;
    }
}

TEST(UnsignedText, BothFormsEqualDecimalOfUnsignedValue) {
    std::vector<std::int32_t> values = BoundaryValues();
    std::mt19937 random(4294967);
    for (int round = 0; round < kRandomRounds; ++round)
        values.push_back(FromBits(static_cast<std::uint32_t>(random())));
    for (const std::int32_t n : values) {
        const std::string written = Written(n);
        ASSERT_EQ(written, std::to_string(Bits(n))) << n;
        ASSERT_EQ(UnsignedText(n), written) << n;
        if (n < 0) {
            ASSERT_EQ(written.size(), kLongestUnsignedText) << n;
        }
    }
}

}  // namespace
}  // namespace pelvaro
