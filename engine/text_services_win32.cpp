// The system's own text services: its lower-casing and its code pages.
#include <windows.h>

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

TextServices TextServices::SystemAnsi() {
    static const unsigned codePage = GetACP();
    static const std::shared_ptr<const Table> table = MakeCodeTable(codePage);
    return TextServices(codePage, table);
}

std::u16string TextServices::LowerCase(std::u16string_view text) const {
    std::u16string result(text);
    // CharLowerBuffW takes a DWORD count; a longer text is lowered in pieces.
    constexpr std::size_t kPiece = 0x40000000;
    for (std::size_t at = 0; at < result.size(); at += kPiece) {
        const std::size_t count = result.size() - at < kPiece ? result.size() - at : kPiece;
        CharLowerBuffW(reinterpret_cast<wchar_t*>(&result[at]), static_cast<DWORD>(count));
    }
    return result;
}

}  // namespace pelvaro
