#include "utf8.h"

#include <cstddef>
#include <cstdint>

namespace pelvaro::cli {

namespace {

// What a lead byte starts: the length of the sequence, the payload bits it
// carries, and the least code point that length may spell.
struct Lead {
    std::size_t length;  // 0 for a byte that cannot start a sequence
    std::uint32_t bits;
    std::uint32_t least;
};

Lead ReadLead(unsigned char byte) {
    if (byte < 0x80) return {1, byte, 0};
    if ((byte & 0xE0) == 0xC0) return {2, byte & 0x1Fu, 0x80};
    if ((byte & 0xF0) == 0xE0) return {3, byte & 0x0Fu, 0x800};
    if ((byte & 0xF8) == 0xF0) return {4, byte & 0x07u, 0x10000};
    return {0, 0, 0};  // a continuation byte, or F8 to FF
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool IsScalarValue(std::uint32_t code) { return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF); }

void AppendUtf16(std::uint32_t code, std::u16string& out) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
        return;
    }
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const Lead lead = ReadLead(static_cast<unsigned char>(bytes[at]));
        if (lead.length == 0 || bytes.size() - at < lead.length) return std::nullopt;
        std::uint32_t code = lead.bits;
        for (std::size_t i = 1; i < lead.length; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[at + i]);
            if (!IsContinuation(byte)) return std::nullopt;
            code = code << 6 | (byte & 0x3Fu);
        }
        if (code < lead.least || !IsScalarValue(code)) return std::nullopt;
        AppendUtf16(code, out);
        at += lead.length;
    }
    return out;
}

}  // namespace pelvaro::cli
