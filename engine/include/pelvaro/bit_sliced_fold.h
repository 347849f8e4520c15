// The id numbers of many texts at once: the engine's adder, bit-sliced.
//
// Each text gets a lane: bit l of a word. Plane k is a word that holds bit k
// of every lane's value, so that one pass of the ripple-carry adder, done with
// word operations on the planes, is that pass for every lane at once:
//
//   sum bit = x XOR y XOR carry,  carry = majority(x, y, carry).
//
// Why this is AddBits: in pass k the engine takes x and y, the bits of its
// operands under the mask, and s = x + y + carry, 0 to 3. It sets the result's
// bit when s is 1 or 3, that is when s is odd, when an odd number of x, y and
// carry are 1: x XOR y XOR carry. It carries one on when s is 2 or 3, when at
// least two of them are 1: their majority. Pass 1 starts with carry 0, pass 32
// drops its carry out. The adder's operations on planes are AND, OR and XOR,
// which work on each bit l by itself: lane l of the planes goes through the
// engine's 32 passes on its own bits, and lanes never mix. Times101 is the
// engine's chain of nine additions, on planes; each character is
// h = AddBits(Times101(h), code), as in FoldIdNumber. No machine multiply or
// add ever touches a value of h.
//
// Texts of different lengths share the passes by aligning their ends: the
// shorter ones get code 0 in front. h starts at 0, and a code 0 leaves it 0,
// since AddBits(Times101(0), 0) = 0 (every pass sees x = y = carry = 0): a
// lane's h is still 0 when its text's first code comes, and from there it
// folds exactly that text's codes, so every lane ends with its own text's
// number. A batch costs its longest text's length in steps, whatever the
// number of lanes in use.
//
// A code is a signed 16-bit value widened with its sign: planes 16 to 31 of
// a code are all plane 15, so only 16 planes are made from the codes, by
// transposing a square of bits (a lane's codes packed in a word, to planes).
// The numbers are transposed back once a batch.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "pelvaro/text_services.h"

namespace pelvaro {

namespace bit_sliced {

constexpr std::size_t kPasses = 32;    // the adder's passes: one plane for each bit of h
constexpr std::size_t kCodeBits = 16;  // a code's own bits; its sign fills the rest

template <typename Word>
constexpr std::size_t kLanes = sizeof(Word) * CHAR_BIT;  // one lane for each bit of a word

// Codes packed in a lane's word: 4 positions in 64 bits, 2 in 32.
template <typename Word>
constexpr std::size_t kPositionsPerWord = kLanes<Word> / kCodeBits;

// Bit k of every lane's value, plane by plane.
template <typename Word>
using Planes = std::array<Word, kPasses>;

// A square of bits: row r, bit c.
template <typename Word>
using Square = std::array<Word, kLanes<Word>>;

// The planes of a code: 16 rows of a transposed square, its plane 15, the
// sign, standing for planes 16 to 31 as well.
template <typename Word>
struct CodePlanes {
    const Word* rows;
    Word operator[](std::size_t k) const { return rows[k < kCodeBits ? k : kCodeBits - 1]; }
};

// AddBits on every lane at once: pass k works on plane k of both operands
// with the carry of pass k - 1 (see above for why this is the adder).
template <typename Word, typename Addend>
[[gnu::always_inline]] inline Planes<Word> AddPlanes(const Planes<Word>& a, const Addend& b) {
    Planes<Word> result;
    Word carry = 0;
#pragma GCC unroll 32
    for (std::size_t pass = 0; pass < kPasses - 1; ++pass) {
        const Word x = a[pass];
        const Word y = b[pass];
        result[pass] = x ^ y ^ carry;         // s is 1 or 3
        carry = (x & y) | (carry & (x ^ y));  // s is 2 or 3
    }
    result[kPasses - 1] = a[kPasses - 1] ^ b[kPasses - 1] ^ carry;  // the carry out is dropped
    return result;
}

// Times101 on every lane at once: the engine's chain, 101 = 64 + 32 + 4 + 1.
// Inlined, as the engine's is, so that the compiler fits each addition to its
// arguments: in a doubling AddPlanes(t, t) pass k gives the carry and carries
// plane k of t on, which costs no operation at all.
template <typename Word>
[[gnu::always_inline]] inline Planes<Word> Times101Planes(const Planes<Word>& a) {
    const Planes<Word> t1 = AddPlanes(a, a);    // 2a
    const Planes<Word> t2 = AddPlanes(t1, t1);  // 4a
    const Planes<Word> t3 = AddPlanes(t2, t2);  // 8a
    const Planes<Word> t4 = AddPlanes(t3, t3);  // 16a
    const Planes<Word> t5 = AddPlanes(t4, t4);  // 32a
    const Planes<Word> t6 = AddPlanes(t5, t5);  // 64a
    const Planes<Word> t7 = AddPlanes(t6, t5);  // 96a
    const Planes<Word> t8 = AddPlanes(t2, a);   // 5a
    return AddPlanes(t7, t8);                   // 101a
}

// The columns c of a word whose bit `width` is clear: the low half of each
// block of 2 * width columns.
template <typename Word>
constexpr Word LowHalves(std::size_t width) {
    Word mask = 0;
    for (std::size_t c = 0; c < kLanes<Word>; ++c)
        if ((c & width) == 0) mask |= Word{1} << c;
    return mask;
}

// Transposes the square in place: bit c of row r trades places with bit r of
// row c. Each round swaps the off-diagonal halves of every block of 2 * width
// rows and columns, from the whole square down to blocks of 2 by 2:
// log2(lanes) rounds of lanes / 2 swaps.
template <typename Word, std::size_t kWidth = kLanes<Word> / 2>
[[gnu::always_inline]] inline void Transpose(Square<Word>& square) {
    constexpr Word kMask = LowHalves<Word>(kWidth);
#pragma GCC unroll 64
    for (std::size_t row = 0; row < kLanes<Word>; ++row) {
        if ((row & kWidth) != 0) continue;  // the upper row of each pair
        const Word swapped = ((square[row] >> kWidth) ^ square[row + kWidth]) & kMask;
        square[row + kWidth] ^= swapped;
        square[row] ^= swapped << kWidth;
    }
    if constexpr (kWidth > 1) Transpose<Word, kWidth / 2>(square);
}

// The code of a unit, its low 16 bits in the low bits of a word.
template <typename Word>
Word CodeBits(char16_t unit, const TextServices& services) {
    return static_cast<std::uint16_t>(services.AnsiCode(services.LowerUnit(unit)));
}

// The codes of a text at positions first to first + kPositionsPerWord - 1,
// position q in bits 16q to 16q + 15; a position before the text is code 0.
template <typename Word>
Word LaneWord(std::u16string_view text, std::ptrdiff_t first, const TextServices& services) {
    Word word = 0;
    for (std::size_t q = 0; q < kPositionsPerWord<Word>; ++q) {
        const std::ptrdiff_t at = first + static_cast<std::ptrdiff_t>(q);
        if (at >= 0) word |= CodeBits<Word>(text[static_cast<std::size_t>(at)], services) << (kCodeBits * q);
    }
    return word;
}

// The id numbers of up to kLanes texts, lane l holding texts[l].
template <typename Word>
void FoldLanes(const std::u16string_view* texts, std::size_t lanes, std::int32_t* idNumbers,
               const TextServices& services) {
    constexpr std::size_t kStep = kPositionsPerWord<Word>;
    std::size_t longest = 0;
    for (std::size_t lane = 0; lane < lanes; ++lane) longest = std::max(longest, texts[lane].size());
    // Every text ends at the last position, which ends a word's positions.
    const std::size_t length = (longest + kStep - 1) / kStep * kStep;

    Planes<Word> h{};
    Square<Word> square;
    for (std::size_t position = 0; position < length; position += kStep) {
        square.fill(0);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            // Where the text's first position is, counted from this word's first.
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(position) -
                                         static_cast<std::ptrdiff_t>(length - texts[lane].size());
            if (first > -static_cast<std::ptrdiff_t>(kStep))
                square[lane] = LaneWord<Word>(texts[lane], first, services);
        }
        Transpose(square);  // row 16q + k: bit k of every lane's code at position q
        for (std::size_t q = 0; q < kStep; ++q)
            h = AddPlanes(Times101Planes(h), CodePlanes<Word>{square.data() + kCodeBits * q});
    }

    square.fill(0);
    std::copy(h.begin(), h.end(), square.begin());
    Transpose(square);  // row l: lane l's value in its low 32 bits
    for (std::size_t lane = 0; lane < lanes; ++lane)
        idNumbers[lane] = static_cast<std::int32_t>(static_cast<std::uint32_t>(square[lane]));
}

}  // namespace bit_sliced

// The word of the planes: 64 lanes where the machine's words have 64 bits,
// 32 where they have 32 (no instruction beyond the target's plain integer ones).
using SliceWord = std::conditional_t<sizeof(void*) >= 8, std::uint64_t, std::uint32_t>;

// idNumbers[i] = WorkOutIdNumber(texts[i], services), for i < count, worked
// out one word's lanes at a time in the order given. Texts of like lengths in
// one word cost least.
void WorkOutIdNumbers(const std::u16string_view* texts, std::size_t count, std::int32_t* idNumbers,
                      const TextServices& services);

// The same with planes of a given word, std::uint32_t or std::uint64_t.
template <typename Word>
inline void WorkOutIdNumbersIn(const std::u16string_view* texts, std::size_t count, std::int32_t* idNumbers,
                               const TextServices& services) {
    for (std::size_t done = 0; done < count; done += bit_sliced::kLanes<Word>) {
        const std::size_t lanes = std::min(count - done, bit_sliced::kLanes<Word>);
        bit_sliced::FoldLanes<Word>(texts + done, lanes, idNumbers + done, services);
    }
}

}  // namespace pelvaro
