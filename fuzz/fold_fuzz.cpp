// The fold on any text, in any code page the engine offers, against the same
// fold done with plain wrap-around unsigned arithmetic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace {

using pelvaro::kChoosableCodePages;

const pelvaro::TextServices& ServicesFor(std::uint8_t selector) {
    static std::optional<pelvaro::TextServices> cache[std::size(kChoosableCodePages)];
    const std::size_t index = selector % std::size(kChoosableCodePages);
    if (!cache[index]) cache[index] = pelvaro::TextServices::ForCodePage(kChoosableCodePages[index]);
    if (!cache[index]) std::abort();  // every listed code page must be available
    return *cache[index];
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

// Input: one byte choosing the code page, then the text as UTF-16LE units.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const pelvaro::TextServices& services = ServicesFor(data[0]);
    std::u16string text;
    for (std::size_t at = 1; at + 1 < size; at += 2)
        text.push_back(static_cast<char16_t>(data[at] | data[at + 1] << 8));

    const std::u16string lower = services.LowerCase(text);
    Check(lower.size() == text.size());
    std::uint32_t expected = 0;
    for (const char16_t unit : lower) {
        const std::int32_t code = services.AnsiCode(unit);
        Check(code >= -32768 && code <= 32767);
        expected = expected * 101u + static_cast<std::uint32_t>(code);
    }

    const std::int32_t id = pelvaro::WorkOutIdNumber(text, services);
    Check(static_cast<std::uint32_t>(id) == expected);
    Check(pelvaro::UnsignedText(id) == std::to_string(expected));
    return 0;
}
