// pelvaro-id's line reading on any bytes, cut into chunks of any sizes, in
// UTF-8 and in UTF-16 of both byte orders, against the same input split whole
// and decoded by iconv (UTF-8) or unit by unit (UTF-16).
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
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

// The lines of the whole input: split at LF, a CR before the LF dropped, no
// line after a final LF.
template <typename Text>
std::vector<Text> SplitWhole(Text input, typename Text::value_type lf) {
    std::vector<Text> lines;
    while (!input.empty()) {
        const std::size_t end = input.find(lf);
        Text line = input.substr(0, end);
        input.remove_prefix(end == Text::npos ? input.size() : end + 1);
        if (end != Text::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::vector<Line> Utf8Lines(std::string_view input) {
    std::vector<Line> lines;
    for (const std::string_view line : SplitWhole(input, '\n')) lines.push_back(Utf8Line(line));
    return lines;
}

std::vector<Line> Utf16Lines(std::string_view input, bool little) {
    std::u16string units;
    for (std::size_t at = 0; at + 1 < input.size(); at += 2) {
        const auto first = static_cast<unsigned char>(input[at]);
        const auto second = static_cast<unsigned char>(input[at + 1]);
        units.push_back(static_cast<char16_t>(little ? first | second << 8 : first << 8 | second));
    }
    const bool oddByte = input.size() % 2 != 0;
    std::vector<Line> lines;
    for (const std::u16string_view line : SplitWhole(std::u16string_view(units), u'\n'))
        lines.push_back(line.find(u'\0') != std::u16string_view::npos
                            ? Line{u"", LineFault::kNul}
                            : Line{std::u16string(line), LineFault::kNone});
    // The odd byte ends the last line, or is a line of its own after a final LF.
    if (oddByte && (units.empty() || units.back() == u'\n')) lines.push_back({u"", LineFault::kNone});
    if (oddByte && lines.back().fault == LineFault::kNone) lines.back() = {u"", LineFault::kOddByte};
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

    std::string_view rest = input;
    std::vector<Line> expected;
    if (encoding == InputEncoding::kUtf16Le) {
        expected = Utf16Lines(rest, true);
    } else if (rest.substr(0, 2) == "\xFF\xFE" || rest.substr(0, 2) == "\xFE\xFF") {
        expected = Utf16Lines(rest.substr(2), rest[0] == '\xFF');
    } else {
        if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
        expected = Utf8Lines(rest);
    }
    Check(read.lines.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Check(read.lines[i].fault == expected[i].fault);
        Check(read.lines[i].text == expected[i].text);
    }
    return 0;
}
