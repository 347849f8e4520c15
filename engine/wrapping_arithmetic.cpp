#include "pelvaro/wrapping_arithmetic.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace pelvaro {

namespace {

constexpr std::int32_t kBillion = 1000000000;

// The last count decimal digits of v >= 0, zeros where v has fewer, written
// to the count characters before end.
void PutDigits(std::int32_t v, char* end, std::size_t count) {
    for (; count > 0; --count) {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

// How many decimal digits v >= 0 has: 1 for 0.
std::size_t DigitCount(std::int32_t v) {
    std::size_t count = 1;
    for (; v >= 10; v /= 10) ++count;
    return count;
}

}  // namespace

std::size_t WriteUnsignedText(std::int32_t n, char* text) {
    if (n >= 0) {
        const std::size_t count = DigitCount(n);
        PutDigits(n, text + count, count);
        return count;
    }
    // The value to show is 2^31 + m = 2 * 10^9 + 147483648 + m, m < 2^31.
    std::int32_t m = n & std::numeric_limits<std::int32_t>::max();
    std::int32_t k = 2;     // the billions digit that the sign bit contributes
    while (m > kBillion) {  // at most twice, leaving 0 <= m <= 10^9
        m -= kBillion;
        k += 1;
    }
    // t <= 10^9 + 147483648 = 1147483648 < 2^31 - 1: no overflow.
    const std::int32_t t = m + 147483648;
    PutDigits(t, text + kLongestUnsignedText, kLongestUnsignedText);  // t's digits, padded with zeros
    const std::int32_t d = text[0] - '0';                             // 1 exactly when t >= 10^9
    text[0] = static_cast<char>('0' + k + d);                         // k + d is 2 to 4
    return kLongestUnsignedText;
}

std::string UnsignedText(std::int32_t n) {
    char text[kLongestUnsignedText];
    return std::string(text, WriteUnsignedText(n, text));
}

}  // namespace pelvaro
