#include "pelvaro/wrapping_arithmetic.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace pelvaro {

namespace {

constexpr std::int32_t kBillion = 1000000000;

// "00", "01", ..., "99": the digits of 0 to 99, two a number.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The ten decimal digits of v >= 0, zeros first, written to digits two at a
// time: as many steps whatever v, so that no branch waits on it.
void PutTenDigits(std::int32_t v, char* digits) {
    for (std::size_t end = kLongestUnsignedText; end > 0; end -= 2) {
        const auto pair = static_cast<std::size_t>(v % 100);
        v /= 100;
        digits[end - 2] = kDigitPairs[2 * pair];
        digits[end - 1] = kDigitPairs[2 * pair + 1];
    }
}

constexpr std::int32_t kPowersOfTen[] = {10,      100,      1000,      10000,   100000,
                                         1000000, 10000000, 100000000, kBillion};

// How many decimal digits v >= 0 has: 1 for 0. One comparison a power,
// without a branch on v.
std::size_t DigitCount(std::int32_t v) {
    std::size_t count = 1;
    for (const std::int32_t power : kPowersOfTen) count += v >= power ? 1 : 0;
    return count;
}

}  // namespace

std::size_t WriteUnsignedText(std::int32_t n, char* text) {
    if (n >= 0) {
        char digits[kLongestUnsignedText];
        PutTenDigits(n, digits);
        const std::size_t count = DigitCount(n);
        std::memcpy(text, digits + kLongestUnsignedText - count, count);  // those after the zeros
        return count;
    }
    // The value to show is 2^31 + m = 2 * 10^9 + 147483648 + m, m < 2^31.
    std::int32_t m = n & std::numeric_limits<std::int32_t>::max();
    std::int32_t k = 2;  // the billions digit that the sign bit contributes
    // While m > 10^9, less 10^9 and one more billion: m < 2^31 < 3 * 10^9
    // takes two turns at most, leaving 0 <= m <= 10^9 and k at most 4.
    for (int turn = 0; turn < 2; ++turn) {
        const bool over = m > kBillion;
        m -= over ? kBillion : 0;
        k += over ? 1 : 0;
    }
    // t <= 10^9 + 147483648 = 1147483648 < 2^31 - 1: no overflow.
    const std::int32_t t = m + 147483648;
    PutTenDigits(t, text);                     // t's digits, padded with zeros
    const std::int32_t d = text[0] - '0';      // 1 exactly when t >= 10^9
    text[0] = static_cast<char>('0' + k + d);  // k + d is 2 to 4
    return kLongestUnsignedText;
}

std::string UnsignedText(std::int32_t n) {
    char text[kLongestUnsignedText];
    return std::string(text, WriteUnsignedText(n, text));
}

}  // namespace pelvaro
