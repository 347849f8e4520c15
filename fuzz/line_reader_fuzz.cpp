// pelvaro-id's line reading on any bytes, cut into chunks of any sizes, in
// UTF-8 and in UTF-16 of both byte orders, joined files among them, against
// the same input split whole and decoded by iconv (UTF-8) or unit by unit
// (UTF-16).
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "line_reader.h"
#include "utf8.h"

namespace {

using pelvaro::cli::InputEncoding;
using pelvaro::cli::LineFault;

void Check(bool condition) {
    if (!condition) std::abort();
}

struct Line {
    std::u16string text;  // when it has no fault
    LineFault fault = LineFault::kNone;
};

// What the reader hands on, a line at a time.
class Lines final : public pelvaro::cli::LineSink {
public:
    void Units(std::u16string_view units) override { current_ += units; }

    void LineEnd(std::size_t number, LineFault fault) override {
        Check(number == lines.size() + 1);
        lines.push_back({fault == LineFault::kNone ? current_ : std::u16string(), fault});
        current_.clear();
    }

    std::vector<Line> lines;

private:
    std::u16string current_;
};

// UTF-8 to UTF-16 units by the C library: empty when it rejects the bytes.
std::optional<std::u16string> IconvDecode(std::string_view bytes) {
    static const iconv_t decoder = iconv_open("UTF-16LE", "UTF-8");
    Check(decoder != reinterpret_cast<iconv_t>(-1));
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    std::string out(bytes.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (iconv(decoder, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    std::u16string units;
    for (const char* at = out.data(); at < outPtr; at += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(at[0]) |
                                              static_cast<unsigned char>(at[1]) << 8));
    return units;
}

// A UTF-8 line: faulty at its first NUL character or at its first invalid
// byte, whichever comes first; a NUL inside a sequence cuts it short.
Line Utf8Line(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    const std::optional<std::u16string> text = IconvDecode(bytes.substr(0, nul));
    Check(pelvaro::cli::DecodeUtf8(bytes.substr(0, nul)) == text);
    if (!text) return {u"", LineFault::kNotUtf8};
    if (nul != std::string_view::npos) return {u"", LineFault::kNul};
    return {*text, LineFault::kNone};
}

enum class Encoding { kUtf8, kUtf16Le, kUtf16Be };

// The length of the byte-order mark at the front of input, 0 when there is
// none; sets encoding to the mark's.
std::size_t MarkAtFront(std::string_view input, Encoding& encoding) {
    if (input.substr(0, 3) == "\xEF\xBB\xBF") {
        encoding = Encoding::kUtf8;
        return 3;
    }
    if (input.substr(0, 2) != "\xFF\xFE" && input.substr(0, 2) != "\xFE\xFF") return 0;
    encoding = input[0] == '\xFF' ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    return 2;
}

char16_t UnitAt(std::string_view input, std::size_t at, Encoding encoding) {
    const auto first = static_cast<unsigned char>(input[at]);
    const auto second = static_cast<unsigned char>(input[at + 1]);
    return static_cast<char16_t>(encoding == Encoding::kUtf16Le ? first | second << 8 : first << 8 | second);
}

// The UTF-16 line at the front of input: its text, or its fault (a NUL, or an
// odd byte at the end of the input); its length with its ending; and whether
// a CR ended it.
Line Utf16Line(std::string_view input, Encoding encoding, std::size_t& length, bool& byCr) {
    std::u16string text;
    bool nul = false;
    std::size_t at = 0;
    for (; at + 1 < input.size(); at += 2) {
        const char16_t unit = UnitAt(input, at, encoding);
        if (unit == u'\n' || unit == u'\r') {
            length = at + 2;
            byCr = unit == u'\r';
            return nul ? Line{u"", LineFault::kNul} : Line{text, LineFault::kNone};
        }
        nul = nul || unit == 0;
        text += unit;
    }
    length = input.size();
    byCr = false;
    if (nul) return {u"", LineFault::kNul};
    if (at < input.size()) return {u"", LineFault::kOddByte};
    return {text, LineFault::kNone};
}

// The lines of the whole input, taken in one piece: LF, CR or CRLF ends a
// line, and where marks start files, a mark at the start of a line sets the
// encoding from there.
std::vector<Line> ExpectedLines(std::string_view input, Encoding encoding, bool marksStartFiles) {
    std::vector<Line> lines;
    bool afterCr = false;
    while (!input.empty()) {
        if (const std::size_t mark = marksStartFiles ? MarkAtFront(input, encoding) : 0) {
            input.remove_prefix(mark);
            afterCr = false;
            continue;
        }
        const bool utf8 = encoding == Encoding::kUtf8;
        const std::size_t lfSize = utf8 ? 1 : 2;
        const bool lf =
            input.size() >= lfSize && (utf8 ? input[0] == '\n' : UnitAt(input, 0, encoding) == u'\n');
        if (std::exchange(afterCr, false) && lf) {
            input.remove_prefix(lfSize);  // the LF of CRLF
            continue;
        }
        std::size_t length = 0;
        if (utf8) {
            const std::size_t end = input.find_first_of("\r\n");
            lines.push_back(Utf8Line(input.substr(0, end)));
            afterCr = end != std::string_view::npos && input[end] == '\r';
            length = end == std::string_view::npos ? input.size() : end + 1;
        } else {
            lines.push_back(Utf16Line(input, encoding, length, afterCr));
        }
        input.remove_prefix(length);
    }
    return lines;
}

}  // namespace

// Input: one byte that sets the chunk sizes and, in its top two bits, what
// comes before the rest: nothing, a UTF-16 byte-order mark (LE or BE), or
// nothing with the reader told the input is UTF-16LE, as a console's is.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned chunkSeed = data[0] & 0x3Fu;
    const unsigned form = data[0] >> 6;
    const std::string mark = form == 1 ? "\xFF\xFE" : form == 2 ? "\xFE\xFF" : "";
    const std::string input = mark + std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    const InputEncoding encoding = form == 3 ? InputEncoding::kUtf16Le : InputEncoding::kDetect;

    pelvaro::cli::LineReader reader(encoding);
    Lines read;
    for (std::size_t at = 0, turn = 0; at < input.size(); ++turn) {
        const std::size_t chunk = 1 + (chunkSeed * (turn + 7)) % 13;
        reader.Push(std::string_view(input).substr(at, chunk), read);
        at += chunk;
    }
    reader.Finish(read);

    const std::vector<Line> expected =
        ExpectedLines(input, encoding == InputEncoding::kUtf16Le ? Encoding::kUtf16Le : Encoding::kUtf8,
                      encoding == InputEncoding::kDetect);
    Check(read.lines.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Check(read.lines[i].fault == expected[i].fault);
        Check(read.lines[i].text == expected[i].text);
    }
    return 0;
}
