// The system's own text services: its lower-casing and its code pages.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "code_table.h"
#include "pelvaro/text_services.h"

namespace pelvaro {
namespace {

// The unit's code as the system converts it, without "best fit": a unit the
// code page does not spell gets the question mark, not a look-alike letter.
// Code pages that take no such request (UTF-8, for a system whose ANSI code
// page it is) convert plainly; a unit they spell with more than two bytes
// gets the question mark too.
std::int16_t ConvertUnit(UINT codePage, wchar_t unit) {
    unsigned char bytes[2] = {};
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &unit, 1, reinterpret_cast<char*>(bytes),
                                   sizeof bytes, "?", &usedDefault);
    if (size == 0 && (GetLastError() == ERROR_INVALID_FLAGS || GetLastError() == ERROR_INVALID_PARAMETER))
        size = WideCharToMultiByte(codePage, 0, &unit, 1, reinterpret_cast<char*>(bytes), sizeof bytes,
                                   nullptr, nullptr);
    if (usedDefault) return kQuestionMark;
    if (size == 1) return bytes[0];
    if (size == 2) return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]));
    return kQuestionMark;
}

}  // namespace

std::shared_ptr<const TextServices::Table> MakeCodeTable(unsigned codePage) {
    if (!IsValidCodePage(codePage)) return nullptr;
    // Not make_shared: its control block would bring in run-time type information.
    std::shared_ptr<TextServices::Table> table(new TextServices::Table);
    for (unsigned unit = 0; unit < 0x10000; ++unit)
        table->code[unit] = ConvertUnit(codePage, static_cast<wchar_t>(unit));
    return table;
}

// The system's own services take no data.
bool TextServices::AddCodePageData(unsigned, const unsigned char*, std::size_t) { return false; }

TextServices TextServices::SystemAnsi() {
    static const unsigned codePage = GetACP();
    static const std::shared_ptr<const Table> table = MakeCodeTable(codePage);
    return TextServices(codePage, table);
}

const char16_t* LowerCaseTable() {
    // Made on the first call and kept for the program's life. The system
    // lowers each unit by itself; surrogates are left out, so that no
    // neighbouring pair is taken for a character.
    static wchar_t* const table = [] {
        auto* lower = new wchar_t[0x10000];
        for (unsigned unit = 0; unit < 0x10000; ++unit) lower[unit] = static_cast<wchar_t>(unit);
        CharLowerBuffW(lower, 0xD800);
        CharLowerBuffW(lower + 0xE000, 0x2000);
        return lower;
    }();
    return reinterpret_cast<const char16_t*>(table);
}

}  // namespace pelvaro
