#include "pelvaro/id_number.h"

#include <string>

#include "pelvaro/module1.h"

namespace pelvaro {

std::int32_t WorkOutIdNumber(std::u16string_view text, const TextServices& services) {
    const std::u16string lower = services.LowerCase(text);
    std::int32_t h = 0;
    for (const char16_t unit : lower) h = AddBits(Times101(h), services.AnsiCode(unit));
    return h;
}

}  // namespace pelvaro
