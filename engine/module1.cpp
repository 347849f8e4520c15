#include "pelvaro/module1.h"

#include <cstdint>
#include <limits>
#include <string>

namespace pelvaro {
namespace {

constexpr std::int32_t kTopBit = std::numeric_limits<std::int32_t>::min();  // 0x80000000

// 1 when the bit of v under mask is set, else 0.
constexpr std::int32_t BitAt(std::int32_t v, std::int32_t mask) { return (v & mask) != 0 ? 1 : 0; }

}  // namespace

std::int32_t AddBits(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    std::int32_t carry = 0;
    std::int32_t mask = 1;
#pragma GCC unroll 32
    for (int pass = 1; pass <= 31; ++pass) {
        // s is 0 to 3: its low bit is the sum bit, its high bit the carry.
        const std::int32_t s = BitAt(a, mask) + BitAt(b, mask) + carry;
        result |= (s & 1) != 0 ? mask : 0;
        carry = s >> 1;
        // mask reaches 2^30 on pass 31 at most; doubling that would leave the
        // signed range, so the top bit is assigned instead.
        mask = pass < 31 ? mask * 2 : kTopBit;
    }
    // Pass 32: the top bit. Its carry out is dropped.
    const std::int32_t s = BitAt(a, mask) + BitAt(b, mask) + carry;
    result |= (s & 1) != 0 ? mask : 0;
    return result;
}

std::int32_t Times101(std::int32_t a) {
    // 101 = 64 + 32 + 4 + 1, reusing 4a and 32a.
    const std::int32_t t1 = AddBits(a, a);    // 2a
    const std::int32_t t2 = AddBits(t1, t1);  // 4a
    const std::int32_t t3 = AddBits(t2, t2);  // 8a
    const std::int32_t t4 = AddBits(t3, t3);  // 16a
    const std::int32_t t5 = AddBits(t4, t4);  // 32a
    const std::int32_t t6 = AddBits(t5, t5);  // 64a
    const std::int32_t t7 = AddBits(t6, t5);  // 96a
    const std::int32_t t8 = AddBits(t2, a);   // 5a
    return AddBits(t7, t8);                   // 101a
}

std::string UnsignedText(std::int32_t n) {
    if (n >= 0) return std::to_string(n);
    // The value to show is 2^31 + m = 2 * 10^9 + 147483648 + m, m < 2^31.
    std::int32_t m = n & std::numeric_limits<std::int32_t>::max();
    std::int32_t k = 2;       // the billions digit that the sign bit contributes
    while (m > 1000000000) {  // at most twice, leaving 0 <= m <= 10^9
        m -= 1000000000;
        k += 1;
    }
    // t <= 10^9 + 147483648 = 1147483648 < 2^31 - 1: no overflow.
    const std::int32_t t = m + 147483648;
    std::string s = "0000000000" + std::to_string(t);
    s.erase(0, s.size() - 10);
    const std::int32_t d = s[0] - '0';      // 1 exactly when t >= 10^9
    s[0] = static_cast<char>('0' + k + d);  // k + d is 2 to 4
    return s;
}

}  // namespace pelvaro
