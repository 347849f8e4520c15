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

// The fold carried on from h over more units, each lower-cased and its code
// folded in: h = AddBits(Times101(h), code). Starting from 0, a text folded in
// pieces of any size gives its WorkOutIdNumber, so a stream of any length can
// be folded in constant memory.
std::int32_t FoldIdNumber(std::int32_t h, std::u16string_view units, const TextServices& services);

}  // namespace pelvaro
