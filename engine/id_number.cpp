#include "pelvaro/id_number.h"

#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro {

std::int32_t FoldIdNumber(std::int32_t h, std::u16string_view units, const TextServices& services) {
    for (const char16_t unit : units) h = AddBits(Times101(h), services.AnsiCode(services.LowerUnit(unit)));
    return h;
}

std::int32_t WorkOutIdNumber(std::u16string_view text, const TextServices& services) {
    return FoldIdNumber(0, text, services);
}

}  // namespace pelvaro
