// Wrap-around 32-bit arithmetic built from operations that never overflow,
// and the unsigned decimal rendering of a 32-bit pattern.
//
// AddBits and Times101 are defined here, inline, so that the fold can see
// them where it calls them: the compiler then fits each call to its
// arguments (AddBits(t, t) is a doubling, say), and with clang the fold costs
// about a third of the instructions it costs through a call. The steps are
// the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace pelvaro {

namespace wrapping_detail {

constexpr std::int32_t kTopBit = std::numeric_limits<std::int32_t>::min();  // 0x80000000

// 1 when the bit of v under mask is set, else 0.
constexpr std::int32_t BitAt(std::int32_t v, std::int32_t mask) { return (v & mask) != 0 ? 1 : 0; }

}  // namespace wrapping_detail

// (a + b) mod 2^32, as a signed value: a ripple-carry adder, one bit a pass.
[[gnu::always_inline]] constexpr std::int32_t AddBits(std::int32_t a, std::int32_t b) {
    using wrapping_detail::BitAt;
    std::int32_t result = 0;
    std::int32_t carry = 0;
    std::int32_t mask = 1;
#pragma GCC unroll 32
    for (int pass = 1; pass <= 31; ++pass) {
        // s is 0 to 3: 1 and 3 set the sum bit, 2 and 3 carry one on.
        const std::int32_t s = BitAt(a, mask) + BitAt(b, mask) + carry;
        result |= s == 1 || s == 3 ? mask : 0;
        carry = s >> 1;
        // mask reaches 2^30 on pass 31 at most; doubling that would leave the
        // signed range, so the top bit is assigned instead.
        mask = pass < 31 ? mask * 2 : wrapping_detail::kTopBit;
    }
    // Pass 32: the top bit. Its carry out is dropped.
    const std::int32_t s = BitAt(a, mask) + BitAt(b, mask) + carry;
    result |= s == 1 || s == 3 ? mask : 0;
    return result;
}

// (101 * a) mod 2^32, as a signed value: a fixed chain of nine AddBits.
[[gnu::always_inline]] constexpr std::int32_t Times101(std::int32_t a) {
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

// The longest unsigned text: 4294967295 has ten digits.
constexpr std::size_t kLongestUnsignedText = 10;

// The decimal digits of n's bit pattern read as an unsigned number,
// "0" to "4294967295": no sign, no padding, no separators. Written to text,
// which has room for kLongestUnsignedText characters; returns how many.
std::size_t WriteUnsignedText(std::int32_t n, char* text);

// The same text, as a string.
std::string UnsignedText(std::int32_t n);

}  // namespace pelvaro
