// Strict UTF-8 decoding into UTF-16 units.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelvaro::cli {

// The UTF-16 units of UTF-8 bytes; a character above U+FFFF becomes a
// surrogate pair. Empty when the bytes are not valid UTF-8: a stray
// continuation byte, a truncated sequence, an overlong form, an encoded
// surrogate (U+D800 to U+DFFF), or a code point above U+10FFFF.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);

}  // namespace pelvaro::cli
