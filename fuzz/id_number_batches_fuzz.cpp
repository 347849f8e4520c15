// pelvaro-id's numbers worked out many lines at a time, against the one-line
// engine, on any bytes cut into chunks of any sizes, in any code page, on any
// width of word that runs here, typed or not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "batches_against_engine.h"
#include "pelvaro/bit_sliced_fold.h"
#include "pelvaro/text_services.h"

namespace {

const pelvaro::TextServices& ServicesFor(std::uint8_t selector) {
    constexpr std::size_t kCount = std::size(pelvaro::kChoosableCodePages);
    static std::optional<pelvaro::TextServices> cache[kCount];
    const std::size_t index = selector % kCount;
    if (!cache[index]) cache[index] = pelvaro::TextServices::ForCodePage(pelvaro::kChoosableCodePages[index]);
    if (!cache[index]) std::abort();  // every choosable code page must be available
    return *cache[index];
}

// The widths of word that run here, narrowest first.
const std::vector<unsigned>& RunningWidths() {
    static const std::vector<unsigned> running = [] {
        std::vector<unsigned> widths;
        for (const unsigned bits : pelvaro::kSliceWidths)
            if (pelvaro::SliceWidthRuns(bits)) widths.push_back(bits);
        return widths;
    }();
    return running;
}

}  // namespace

// Input: a byte choosing the code page and the width of word, a byte setting
// the chunk sizes and, in its top bit, whether the input is typed; then the
// bytes read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::vector<std::size_t> chunks = {1 + (data[1] & 0x7Fu) * 37u, 1 + (data[1] & 0x0Fu), 4096};
    const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    const unsigned bits =
        RunningWidths()[data[0] / std::size(pelvaro::kChoosableCodePages) % RunningWidths().size()];
    if (!pelvaro::cli::testing::CompareWithEngine(input, chunks, ServicesFor(data[0]), data[1] >= 0x80, bits)
             .empty())
        std::abort();
    return 0;
}
