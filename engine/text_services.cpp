// What the text services share on every platform: choosing a code page and
// looking codes up in its table.
#include "pelvaro/text_services.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "code_table.h"

namespace pelvaro {

namespace {

constexpr std::size_t kUnits = 0x10000;  // every 16-bit unit

}  // namespace

bool IsChoosableCodePage(unsigned codePage) {
    for (const unsigned choosable : kChoosableCodePages)
        if (choosable == codePage) return true;
    return false;
}

TextServices::TextServices(unsigned codePage, std::shared_ptr<const Table> table)
    : codePage_(codePage), table_(std::move(table)), codes_(table_->code.data()), lower_(LowerCaseTable()) {}

std::optional<TextServices> TextServices::ForCodePage(unsigned codePage) {
    if (!IsChoosableCodePage(codePage)) return std::nullopt;
    const TextServices system = SystemAnsi();
    if (system.CodePage() == codePage) return system;  // its table is made already
    auto table = MakeCodeTable(codePage);
    if (!table) return std::nullopt;
    return TextServices(codePage, std::move(table));
}

unsigned TextServices::CodePage() const { return codePage_; }

std::u16string TextServices::LowerCase(std::u16string_view text) const {
    std::u16string result(text);
    for (char16_t& unit : result) unit = LowerUnit(unit);
    return result;
}

LoweredCodes::LoweredCodes(const TextServices& services) : codes_(new std::uint16_t[kUnits]) {
    for (std::size_t unit = 0; unit < kUnits; ++unit)
        codes_[unit] =
            static_cast<std::uint16_t>(services.AnsiCode(services.LowerUnit(static_cast<char16_t>(unit))));
}

}  // namespace pelvaro
