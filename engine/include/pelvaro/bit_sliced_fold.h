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
// A word is a plain unsigned integer of 32 or 64 bits, or a vector of 64-bit
// elements, 128, 256 or 512 bits in all. A vector's AND, OR and XOR work on
// each of its bits by itself, as an integer's do, so the proof holds for every
// width unchanged: only the number of lanes differs. Nothing else touches the
// planes but the shifts of the transposition below, which move bits within
// an element and never across one.
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
// transposing squares of bits, an element's bits on a side (a lane's codes
// packed in an element, to planes). The numbers are transposed back once a
// batch.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pelvaro {

// The widths of word the fold works on, in bits: plain integers, 32 bits in
// every build and 64 in a 64-bit one, and on x86 vectors where the processor
// reports their instructions (SSE2, AVX2 and AVX-512F).
inline constexpr unsigned kSliceWidths[] = {32, 64, 128, 256, 512};

// Whether this build and this processor can fold on words of the width.
bool SliceWidthRuns(unsigned bits);

// Why words of the width do not run here, in words; null when they do.
const char* SliceWidthMissing(unsigned bits);

// The width the fold works on unless told otherwise: the widest that runs
// here. Chosen on the first call, from what the processor reports.
unsigned WidestSliceWidth();

// The codes of a text, in order: each unit's code once lower-cased, as
// LoweredCodes gives it.
struct CodedText {
    const std::uint16_t* codes;
    std::size_t size;
};

// idNumbers[i] = the id number of the text whose codes are texts[i], as
// WorkOutIdNumber gives it, for i < count, worked out one word's lanes at a
// time in the order given, on words of the given width. False, and nothing
// worked out, when that width does not run here. Texts of like lengths in
// one word cost least.
bool WorkOutIdNumbers(unsigned bits, const CodedText* texts, std::size_t count, std::int32_t* idNumbers);

namespace bit_sliced {

constexpr std::size_t kPasses = 32;    // the adder's passes: one plane for each bit of h
constexpr std::size_t kCodeBits = 16;  // a code's own bits; its sign fills the rest

// The fold on words of type Word, whose bits come in Elements: Word itself
// for a plain integer, or the elements of a vector (GCC's vector extensions,
// whose operators work element by element).
template <typename Word, typename Element = Word>
struct Slices {
    static constexpr std::size_t kLanes = sizeof(Word) * CHAR_BIT;  // one lane for each bit of a word
    static constexpr std::size_t kElements = sizeof(Word) / sizeof(Element);
    static constexpr std::size_t kSide = sizeof(Element) * CHAR_BIT;  // a square's: an element's bits
    // A lane's codes in an element, and the positions a square holds: 4 in 64 bits.
    static constexpr std::size_t kPositions = kSide / kCodeBits;

    // Bit k of every lane's value, plane by plane.
    using Planes = std::array<Word, kPasses>;

    // Squares of bits side by side, one in each element: row r, bit c of
    // element e.
    using Square = std::array<Word, kSide>;

    // The planes of a code: 16 rows of a transposed square, its plane 15, the
    // sign, standing for planes 16 to 31 as well.
    struct CodePlanes {
        const Word* rows;
        const Word& operator[](std::size_t k) const { return rows[k < kCodeBits ? k : kCodeBits - 1]; }
    };

    // A square's words are gathered and read element by element, as they
    // lie in memory, in cells: row r's element e is cell r * kElements + e.
    // Lane l is column l mod kSide of the square in element l / kSide, and
    // its codes go into that square's row l mod kSide: this cell.
    static constexpr std::size_t CellOf(std::size_t lane) { return lane % kSide * kElements + lane / kSide; }

    template <std::size_t kSize>
    [[gnu::always_inline]] static void Clear(std::array<Word, kSize>& words) {
        for (Word& word : words) word = Word{};
    }

    // AddBits on every lane at once: pass k works on plane k of both operands
    // with the carry of pass k - 1 (see above for why this is the adder).
    template <typename Addend>
    [[gnu::always_inline]] static Planes AddPlanes(const Planes& a, const Addend& b) {
        Planes result;
        Word carry{};
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
    [[gnu::always_inline]] static Planes Times101Planes(const Planes& a) {
        const Planes t1 = AddPlanes(a, a);    // 2a
        const Planes t2 = AddPlanes(t1, t1);  // 4a
        const Planes t3 = AddPlanes(t2, t2);  // 8a
        const Planes t4 = AddPlanes(t3, t3);  // 16a
        const Planes t5 = AddPlanes(t4, t4);  // 32a
        const Planes t6 = AddPlanes(t5, t5);  // 64a
        const Planes t7 = AddPlanes(t6, t5);  // 96a
        const Planes t8 = AddPlanes(t2, a);   // 5a
        return AddPlanes(t7, t8);             // 101a
    }

    // The columns c of an element whose bit `width` is clear: the low half of
    // each block of 2 * width columns.
    static constexpr Element LowHalves(std::size_t width) {
        Element mask = 0;
        for (std::size_t c = 0; c < kSide; ++c)
            if ((c & width) == 0) mask |= Element{1} << c;
        return mask;
    }

    // Transposes each element's square in place: bit c of row r trades places
    // with bit r of row c. Each round swaps the off-diagonal halves of every
    // block of 2 * width rows and columns, from the whole square down to
    // blocks of 2 by 2: log2(kSide) rounds of kSide / 2 swaps. A block never
    // spans two elements, so the shifts keep within them.
    template <std::size_t kWidth = kSide / 2>
    [[gnu::always_inline]] static void Transpose(Square& square) {
        const Word mask = Word{} | LowHalves(kWidth);  // in every element
#pragma GCC unroll 64
        for (std::size_t row = 0; row < kSide; ++row) {
            if ((row & kWidth) != 0) continue;  // the upper row of each pair
            const Word swapped = ((square[row] >> kWidth) ^ square[row + kWidth]) & mask;
            square[row + kWidth] ^= swapped;
            square[row] ^= swapped << kWidth;
        }
        if constexpr (kWidth > 1) Transpose<kWidth / 2>(square);
    }

    // The kPositions codes from codes on, code q in bits 16q to 16q + 15: on
    // a little-endian machine, the element as it lies in memory.
    [[gnu::always_inline]] static Element Pack(const std::uint16_t* codes) {
        Element packed = 0;
        if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
            std::memcpy(&packed, codes, sizeof packed);
        } else {
            for (std::size_t q = 0; q < kPositions; ++q) packed |= Element{codes[q]} << (kCodeBits * q);
        }
        return packed;
    }

    static constexpr std::size_t kSquaresAtOnce = 8;  // gathered lane by lane
    using Gathered = std::array<Element, kSquaresAtOnce * kSide * kElements>;

    // The lanes' codes at `squares` squares' positions from `from` on, in
    // the cells of each square one after another, lanes past `lanes` 0. Lane
    // by lane, so that a lane's text is found once for them all, and without
    // a branch on where it starts. Every text ends at `length`.
    [[gnu::always_inline]] static void Gather(const CodedText* texts, std::size_t lanes, std::size_t length,
                                              std::size_t from, std::size_t squares, Gathered& cells) {
        constexpr std::size_t kCells = kSide * kElements;  // a square's
        constexpr auto kWhole = static_cast<std::ptrdiff_t>(kPositions);
        if (lanes < kLanes) cells.fill(0);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            const std::size_t size = texts[lane].size;
            // A text shorter than an element is read from a copy with code 0 after it.
            std::uint16_t padded[kPositions] = {};
            const std::uint16_t* codes = texts[lane].codes;
            if (size < kPositions) {
                std::copy_n(codes, size, padded);
                codes = padded;
            }
            // Where the square's first position is in the text: before it
            // while negative. The squares in the text are read whole, those
            // before it are 0.
            std::ptrdiff_t first = static_cast<std::ptrdiff_t>(from + size - length);
            for (std::size_t cell = CellOf(lane); cell < squares * kCells; cell += kCells, first += kWhole) {
                const Element inText = Element{0} - Element{first >= 0};  // all ones, or none
                cells[cell] = Pack(codes + std::max<std::ptrdiff_t>(first, 0)) & inText;
            }
            // The square the text starts in: its first codes shifted up past
            // the positions before it, the later ones out of the element (the
            // whole square again, read the same, when none is before it).
            const std::size_t before = (kPositions - size % kPositions) % kPositions;
            // size + before, a whole number of squares, is at most length, the
            // longest text's rounded up: start is the square's first position.
            const auto start =
                static_cast<std::ptrdiff_t>(length - size - before) - static_cast<std::ptrdiff_t>(from);
            if (start >= 0 && start < static_cast<std::ptrdiff_t>(squares * kPositions))
                cells[static_cast<std::size_t>(start) / kPositions * kCells + CellOf(lane)] =
                    Pack(codes) << (kCodeBits * before);
        }
    }

    // The id numbers of up to kLanes texts, lane l holding texts[l].
    [[gnu::always_inline]] static void FoldLanes(const CodedText* texts, std::size_t lanes,
                                                 std::int32_t* idNumbers) {
        std::size_t longest = 0;
        for (std::size_t lane = 0; lane < lanes; ++lane) longest = std::max(longest, texts[lane].size);
        // Every text ends at the last position, which ends a square's positions.
        const std::size_t squares = (longest + kPositions - 1) / kPositions;
        const std::size_t length = squares * kPositions;

        Planes h;
        Clear(h);
        Square square;
        Gathered cells;
        for (std::size_t done = 0; done < squares; done += kSquaresAtOnce) {
            const std::size_t now = std::min(squares - done, kSquaresAtOnce);
            Gather(texts, lanes, length, done * kPositions, now, cells);
            for (std::size_t at = 0; at < now; ++at) {
                std::memcpy(square.data(), cells.data() + at * kSide * kElements, sizeof square);
                Transpose(square);  // row 16q + k: bit k of every lane's code at position q
                for (std::size_t q = 0; q < kPositions; ++q)
                    h = AddPlanes(Times101Planes(h), CodePlanes{square.data() + kCodeBits * q});
            }
        }

        Clear(square);
        for (std::size_t k = 0; k < kPasses; ++k) square[k] = h[k];
        Transpose(square);  // lane l: its value in the low 32 bits
        std::memcpy(cells.data(), square.data(), sizeof square);
        for (std::size_t lane = 0; lane < lanes; ++lane)
            idNumbers[lane] = static_cast<std::int32_t>(static_cast<std::uint32_t>(cells[CellOf(lane)]));
    }

    // The id numbers of count texts, a word's lanes at a time.
    [[gnu::always_inline]] static void WorkOut(const CodedText* texts, std::size_t count,
                                               std::int32_t* idNumbers) {
        for (std::size_t done = 0; done < count; done += kLanes)
            FoldLanes(texts + done, std::min(count - done, kLanes), idNumbers + done);
    }
};

}  // namespace bit_sliced

}  // namespace pelvaro
