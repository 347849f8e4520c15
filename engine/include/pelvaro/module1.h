// Wrap-around 32-bit arithmetic built from operations that never overflow,
// and the unsigned decimal rendering of a 32-bit pattern.
#pragma once

#include <cstdint>
#include <string>

namespace pelvaro {

// (a + b) mod 2^32, as a signed value: a ripple-carry adder, one bit a pass.
std::int32_t AddBits(std::int32_t a, std::int32_t b);

// (101 * a) mod 2^32, as a signed value: a fixed chain of nine AddBits.
std::int32_t Times101(std::int32_t a);

// The decimal digits of n's bit pattern read as an unsigned number,
// "0" to "4294967295": no sign, no padding, no separators.
std::string UnsignedText(std::int32_t n);

}  // namespace pelvaro
