// The yardstick for pelvaro-id's throughput: the same input read by the same
// line reader, lower-cased and coded by the same text services, but folded
// with plain native wrap-around arithmetic (h * 101 + code in unsigned 32-bit)
// instead of the engine's adder, one number a line on standard output.
//
//   native_id_numbers < ADDRESSES
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "line_reader.h"
#include "pelvaro/text_services.h"

namespace {

class NativeIdNumbers final : public pelvaro::cli::LineSink {
public:
    explicit NativeIdNumbers(const pelvaro::TextServices& services) : services_(services) {}

    void Units(std::u16string_view units) override {
        for (const char16_t unit : units)
            h_ = h_ * 101u + static_cast<std::uint32_t>(services_.AnsiCode(services_.LowerUnit(unit)));
    }

    void LineEnd(std::size_t, pelvaro::cli::LineFault fault) override {
        if (fault == pelvaro::cli::LineFault::kNone) {
            out_ += std::to_string(h_);
            out_ += '\n';
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
    std::uint32_t h_ = 0;
    std::string out_;
};

}  // namespace

int main() {
    const pelvaro::TextServices services = pelvaro::TextServices::SystemAnsi();
    NativeIdNumbers numbers(services);
    pelvaro::cli::LineReader reader;
    std::vector<char> chunk(1 << 16);
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), stdin)) > 0;)
        reader.Push(std::string_view(chunk.data(), got), numbers);
    reader.Finish(numbers);
    numbers.Flush();
    return 0;
}
