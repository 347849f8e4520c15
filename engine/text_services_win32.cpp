// The system's own text services: its lower-casing and its code pages.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pelvaro/text_services.h"

namespace pelvaro {

namespace {

constexpr std::int32_t kQuestionMark = 63;  // the code of a unit a code page cannot spell

// The code pages a person may choose: the single-byte ANSI pages and the
// double-byte ones, whose codes fit in 16 bits.
bool IsChoosable(UINT codePage) {
    switch (codePage) {
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1250:
        case 1251:
        case 1252:
        case 1253:
        case 1254:
        case 1255:
        case 1256:
        case 1257:
        case 1258:
            return IsValidCodePage(codePage) != FALSE;
        default:
            return false;
    }
}

}  // namespace

TextServices::TextServices(unsigned codePage, std::shared_ptr<const Table> table)
    : codePage_(codePage), table_(std::move(table)) {}

TextServices TextServices::SystemAnsi() { return TextServices(GetACP(), nullptr); }

std::optional<TextServices> TextServices::ForCodePage(unsigned codePage) {
    if (!IsChoosable(codePage)) return std::nullopt;
    return TextServices(codePage, nullptr);
}

unsigned TextServices::CodePage() const { return codePage_; }

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

std::int32_t TextServices::AnsiCode(char16_t unit) const {
    const wchar_t wide = static_cast<wchar_t>(unit);
    unsigned char bytes[2] = {};
    // No "best fit": a unit the code page does not spell gets the question
    // mark, not a look-alike, as the stand-in elsewhere gives it.
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, &wide, 1,
                                         reinterpret_cast<char*>(bytes), sizeof bytes, "?", &usedDefault);
    if (usedDefault) return kQuestionMark;
    if (size == 1) return bytes[0];
    if (size == 2) return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]));
    return kQuestionMark;
}

}  // namespace pelvaro
