// The id number of an e-mail text.
#pragma once

#include <cstdint>
#include <string_view>

#include "pelvaro/text_services.h"

namespace pelvaro {

// Lower-cases text and folds the codes c1..cn of its units into
// h = c1 * 101^(n-1) + ... + cn, mod 2^32, returned as a signed 32-bit value.
// Empty text gives 0.
std::int32_t WorkOutIdNumber(std::u16string_view text, const TextServices& services);

}  // namespace pelvaro
