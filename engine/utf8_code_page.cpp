#include "utf8_code_page.h"

#include "code_table.h"

namespace pelvaro {

namespace {

constexpr char16_t kFirstOfTwoBytes = 0x80;     // the first unit UTF-8 spells with two bytes
constexpr char16_t kFirstOfThreeBytes = 0x800;  // the first it spells with three

}  // namespace

std::int16_t Utf8CodePageCode(char16_t unit) {
    if (unit < kFirstOfTwoBytes) return static_cast<std::int16_t>(unit);
    if (unit >= kFirstOfThreeBytes) return kQuestionMark;
    const unsigned lead = 0xC0u | unit >> 6;
    const unsigned trail = 0x80u | (unit & 0x3Fu);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lead << 8 | trail));
}

std::shared_ptr<const TextServices::Table> MakeUtf8CodeTable() {
    // Not make_shared: its control block would bring in run-time type information.
    std::shared_ptr<TextServices::Table> table(new TextServices::Table);
    for (unsigned unit = 0; unit < 0x10000; ++unit)
        table->code[unit] = Utf8CodePageCode(static_cast<char16_t>(unit));
    return table;
}

}  // namespace pelvaro
