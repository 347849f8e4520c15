// Strict UTF-8 decoding into UTF-16 units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelvaro::cli {

// Decodes UTF-8 a byte at a time, so that the bytes of a character may come
// in separate pieces. Only well-formed UTF-8 is taken: a stray continuation
// byte, a sequence cut short, an overlong form, an encoded surrogate (U+D800
// to U+DFFF) or a code point above U+10FFFF is refused at the first byte that
// shows it, which is the byte that makes the sequence impossible.
class Utf8Decoder {
public:
    static constexpr int kInvalid = -1;

    // Takes the next byte. Returns how many units it completes, written to
    // units: 0 inside a sequence, 1, or 2 (a surrogate pair) for a character
    // above U+FFFF; or kInvalid, after which the decoder starts afresh.
    int Take(unsigned char byte, char16_t units[2]) {
        if (needed_ == 0) {
            if (byte < 0x80) {
                units[0] = byte;
                return 1;
            }
            return Begin(byte);
        }
        if (byte < low_ || byte > high_) {
            needed_ = 0;
            return kInvalid;
        }
        code_ = code_ << 6 | (byte & 0x3Fu);
        low_ = 0x80;
        high_ = 0xBF;
        if (--needed_ > 0) return 0;
        if (code_ < 0x10000) {
            units[0] = static_cast<char16_t>(code_);
            return 1;
        }
        units[0] = static_cast<char16_t>(0xD800 + ((code_ - 0x10000) >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + (code_ & 0x3FF));
        return 2;
    }

    // Whether a sequence is begun and not finished: at the end of the bytes
    // that means they were cut short.
    bool InSequence() const { return needed_ != 0; }

    void Reset() { needed_ = 0; }

private:
    // A lead byte: how many continuation bytes follow, and the range the
    // first of them must lie in, which rules out overlong forms, surrogates
    // and code points above U+10FFFF.
    int Begin(unsigned char byte);

    std::uint32_t code_ = 0;  // the payload bits so far
    unsigned needed_ = 0;     // continuation bytes still to come
    unsigned char low_ = 0;   // the range of the next continuation byte
    unsigned char high_ = 0;
};

// The UTF-16 units of UTF-8 bytes; a character above U+FFFF becomes a
// surrogate pair. Empty when the bytes are not valid UTF-8 (see Utf8Decoder).
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);

}  // namespace pelvaro::cli
