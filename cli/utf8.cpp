#include "utf8.h"

namespace pelvaro::cli {

int Utf8Decoder::Begin(unsigned char byte) {
    low_ = 0x80;
    high_ = 0xBF;
    if (byte < 0xC2) return kInvalid;  // a continuation byte, or C0 and C1, which only spell overlong forms
    if (byte < 0xE0) {
        code_ = byte & 0x1Fu;
        needed_ = 1;
    } else if (byte < 0xF0) {
        code_ = byte & 0x0Fu;
        needed_ = 2;
        if (byte == 0xE0) low_ = 0xA0;   // below: overlong, under U+0800
        if (byte == 0xED) high_ = 0x9F;  // above: the surrogates
    } else if (byte < 0xF5) {
        code_ = byte & 0x07u;
        needed_ = 3;
        if (byte == 0xF0) low_ = 0x90;   // below: overlong, under U+10000
        if (byte == 0xF4) high_ = 0x8F;  // above: beyond U+10FFFF
    } else {
        return kInvalid;  // F5 to FF never appear
    }
    return 0;
}

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    Utf8Decoder decoder;
    char16_t units[2];
    for (const char byte : bytes) {
        const int got = decoder.Take(static_cast<unsigned char>(byte), units);
        if (got == Utf8Decoder::kInvalid) return std::nullopt;
        text.append(units, static_cast<std::size_t>(got));
    }
    if (decoder.InSequence()) return std::nullopt;
    return text;
}

}  // namespace pelvaro::cli
