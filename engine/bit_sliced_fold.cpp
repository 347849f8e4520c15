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
    const char* missing;  // why it does not run, when it does not
};

// Narrowest first: the plain integers, 32 bits in every build (the 32-bit
// build's own) and 64 where the machine's are, then the vectors.
constexpr Width kWidths[] = {
    {32, Always, FoldOn<std::uint32_t>, nullptr},
#if __SIZEOF_POINTER__ >= 8
    {64, Always, FoldOn<std::uint64_t>, nullptr},
#endif
#if defined(__x86_64__) || defined(__i386__)
    {128, HasSse2, FoldOn128, "this processor does not report SSE2"},
    {256, HasAvx2, FoldOn256,
     "this processor does not report AVX2, or the system does not save its registers"},
    {512, HasAvx512, FoldOn512,
     "this processor does not report AVX-512F, or the system does not save its registers"},
#endif
};

const Width* Find(unsigned bits) {
    for (const Width& width : kWidths)
        if (width.bits == bits && width.runs()) return &width;
    return nullptr;
}

unsigned Widest() {
    unsigned widest = 0;
    for (const Width& width : kWidths)
        if (width.runs()) widest = width.bits;
    return widest;
}

}  // namespace

bool SliceWidthRuns(unsigned bits) { return Find(bits) != nullptr; }

const char* SliceWidthMissing(unsigned bits) {
    for (const Width& width : kWidths)
        if (width.bits == bits) return width.runs() ? nullptr : width.missing;
    return "this build has no such words";
}

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
