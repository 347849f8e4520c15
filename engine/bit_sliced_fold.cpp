// The bit-sliced fold on each width of word, and the choice among them. The
// vector widths are compiled for their instruction sets one function each
// (the target attribute), so that the rest of the program keeps the target's
// own: a 32-bit build runs on a Pentium Pro, and a vector width is used only
// once the processor has reported its instructions.
#include "pelvaro/bit_sliced_fold.h"

#include <cstddef>
#include <cstdint>

namespace pelvaro {

namespace {

using Fold = void (*)(const CodedText*, std::size_t, std::int32_t*);

template <typename Word>
void FoldOn(const CodedText* texts, std::size_t count, std::int32_t* idNumbers) {
    bit_sliced::Slices<Word>::WorkOut(texts, count, idNumbers);
}

bool Always() { return true; }

#if defined(__x86_64__) || defined(__i386__)

using Vector128 = std::uint64_t __attribute__((vector_size(16)));
using Vector256 = std::uint64_t __attribute__((vector_size(32)));
using Vector512 = std::uint64_t __attribute__((vector_size(64)));

[[gnu::target("sse2")]] void FoldOn128(const CodedText* texts, std::size_t count, std::int32_t* idNumbers) {
    bit_sliced::Slices<Vector128, std::uint64_t>::WorkOut(texts, count, idNumbers);
}

[[gnu::target("avx2")]] void FoldOn256(const CodedText* texts, std::size_t count, std::int32_t* idNumbers) {
    bit_sliced::Slices<Vector256, std::uint64_t>::WorkOut(texts, count, idNumbers);
}

[[gnu::target("avx512f")]] void FoldOn512(const CodedText* texts, std::size_t count,
                                          std::int32_t* idNumbers) {
    bit_sliced::Slices<Vector512, std::uint64_t>::WorkOut(texts, count, idNumbers);
}

// What the processor reports. The library's check of AVX2 and AVX-512 also
// asks whether the system saves their registers.
bool HasSse2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2") != 0;
}
bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}
bool HasAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0;
}

#endif

struct Width {
    unsigned bits;
    bool (*runs)();
    Fold fold;
};

// Narrowest first.
constexpr Width kWidths[] = {
    {32, Always, FoldOn<std::uint32_t>}, {64, Always, FoldOn<std::uint64_t>},
#if defined(__x86_64__) || defined(__i386__)
    {128, HasSse2, FoldOn128},           {256, HasAvx2, FoldOn256},           {512, HasAvx512, FoldOn512},
#endif
};

const Width* Find(unsigned bits) {
    for (const Width& width : kWidths)
        if (width.bits == bits && width.runs()) return &width;
    return nullptr;
}

unsigned Widest() {
    unsigned widest = sizeof(void*) >= 8 ? 64 : 32;  // the machine's own integer
    for (const Width& width : kWidths)
        if (width.bits > 64 && width.runs()) widest = width.bits;
    return widest;
}

}  // namespace

bool SliceWidthRuns(unsigned bits) { return Find(bits) != nullptr; }

unsigned WidestSliceWidth() {
    static const unsigned widest = Widest();
    return widest;
}

bool WorkOutIdNumbers(unsigned bits, const CodedText* texts, std::size_t count, std::int32_t* idNumbers) {
    const Width* width = Find(bits);
    if (width == nullptr) return false;
    width->fold(texts, count, idNumbers);
    return true;
}

}  // namespace pelvaro
