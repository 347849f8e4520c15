// pelvaro-id's figures side by side: the same input read by the same line
// reader, lower-cased and coded by the same text services, but folded a line
// at a time as its units come, one number a line on standard output:
//   engine  with the engine's FoldIdNumber and UnsignedText, as pelvaro-id
//           did before it folded many lines at once;
//   native  with plain native wrap-around arithmetic (h * 101 + code in
//           unsigned 32-bit) instead of the engine's adder, and each unit
//           coded by one look-up in the code page's table of lowered codes,
//           as pelvaro-id codes it: the yardstick.
//
//   per_line_id_numbers engine|native < ADDRESSES
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "line_reader.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace {

#ifdef _WIN32
constexpr char kNewline[] = "\r\n";  // as pelvaro-id.exe ends its lines
#else
constexpr char kNewline[] = "\n";
#endif

class PerLineIdNumbers final : public pelvaro::cli::LineSink {
public:
    PerLineIdNumbers(const pelvaro::TextServices& services, bool engine)
        : services_(services), loweredCodes_(services), engine_(engine) {}

    void Units(std::u16string_view units) override {
        if (engine_) {
            h_ = static_cast<std::uint32_t>(
                pelvaro::FoldIdNumber(static_cast<std::int32_t>(h_), units, services_));
            return;
        }
        // Each code widened with its sign, as pelvaro-id's are.
        for (const char16_t unit : units)
            h_ = h_ * 101u + static_cast<std::uint32_t>(static_cast<std::int16_t>(loweredCodes_[unit]));
    }

    void LineEnd(std::size_t, pelvaro::cli::LineFault fault) override {
        if (fault == pelvaro::cli::LineFault::kNone) {
            out_ += engine_ ? pelvaro::UnsignedText(static_cast<std::int32_t>(h_)) : std::to_string(h_);
            out_ += kNewline;
            if (out_.size() >= 1 << 16) Flush();
        }
        h_ = 0;
    }

    void Flush() {
        std::fwrite(out_.data(), 1, out_.size(), stdout);
        out_.clear();
    }

private:
    const pelvaro::TextServices& services_;
    const pelvaro::LoweredCodes loweredCodes_;  // a look-up a unit, as pelvaro-id's
    bool engine_;
    std::uint32_t h_ = 0;
    std::string out_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "engine") != 0 && std::strcmp(argv[1], "native") != 0)) {
        std::fprintf(stderr, "usage: per_line_id_numbers engine|native < ADDRESSES\n");
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const pelvaro::TextServices services = pelvaro::TextServices::SystemAnsi();
    PerLineIdNumbers numbers(services, argv[1][0] == 'e');
    pelvaro::cli::LineReader reader;
    std::vector<char> chunk(1 << 16);
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), stdin)) > 0;)
        reader.Push(std::string_view(chunk.data(), got), numbers);
    reader.Finish(numbers);
    numbers.Flush();
    return 0;
}
