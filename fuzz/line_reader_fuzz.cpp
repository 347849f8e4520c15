// pelvaro-id's line reading on any bytes, cut into chunks of any sizes, against
// the same input split whole and decoded by iconv.
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

void Check(bool condition) {
    if (!condition) std::abort();
}

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

// The lines of the whole input: a leading byte-order mark dropped, split at LF,
// a CR before the LF dropped, no line after a final LF.
std::vector<std::string_view> SplitWhole(std::string_view input) {
    if (input.substr(0, 3) == "\xEF\xBB\xBF") input.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!input.empty()) {
        const std::size_t lf = input.find('\n');
        std::string_view line = input.substr(0, lf);
        input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

// Input: one byte that sets the chunk sizes, then the bytes of the stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned chunkSeed = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

    pelvaro::cli::LineReader reader;
    std::vector<pelvaro::cli::Line> lines;
    std::size_t at = 0;
    for (unsigned turn = 0; at < input.size(); ++turn) {
        const std::size_t chunk = 1 + (chunkSeed * (turn + 7)) % 13;
        reader.Push(input.substr(at, chunk));
        at += chunk;
        while (auto line = reader.Next()) lines.push_back(std::move(*line));
    }
    reader.Finish();
    while (auto line = reader.Next()) lines.push_back(std::move(*line));

    const auto expected = SplitWhole(input);
    Check(lines.size() == expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Check(lines[i].number == i + 1);
        const auto reference = IconvDecode(expected[i]);
        Check(lines[i].text == reference);
        Check(pelvaro::cli::DecodeUtf8(expected[i]) == reference);
    }
    return 0;
}
