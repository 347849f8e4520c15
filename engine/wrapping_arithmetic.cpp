#include "pelvaro/wrapping_arithmetic.h"

#include <cstdint>
#include <limits>
#include <string>

namespace pelvaro {

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
