// LineReader: line endings, byte-order marks, UTF-8 and UTF-16, faulty lines,
// and chunks that end anywhere, even inside a character or between CR and LF.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pelvaro::cli {
namespace {

// One line as the reader ends it: its text when it has no fault.
// Made implicitly, so that a list of lines reads plainly: {u"abc", kNul}.
struct Read {
    Read(const char16_t* units) : text(units) {}
    Read(std::u16string units) : text(std::move(units)) {}
    Read(LineFault lineFault) : fault(lineFault) {}

    bool operator==(const Read& other) const { return text == other.text && fault == other.fault; }

    std::u16string text;
    LineFault fault = LineFault::kNone;
};

void PrintTo(const Read& read, std::ostream* out) {
    if (read.fault != LineFault::kNone) {
        *out << "fault " << static_cast<int>(read.fault);
        return;
    }
    *out << "u\"";
    for (const char16_t unit : read.text) {
        if (unit >= 0x20 && unit < 0x7F)
            *out << static_cast<char>(unit);
        else
            *out << "\\x" << std::hex << static_cast<unsigned>(unit) << std::dec;
    }
    *out << '"';
}

using Texts = std::vector<Read>;

constexpr LineFault kNotUtf8 = LineFault::kNotUtf8;
constexpr LineFault kNul = LineFault::kNul;
constexpr LineFault kOddByte = LineFault::kOddByte;

const std::string kByteOrderMark = "\xEF\xBB\xBF";
const std::string kLittleEndianMark = "\xFF\xFE";
const std::string kBigEndianMark = "\xFE\xFF";

// The units as UTF-16 bytes, little- or big-endian.
std::string Utf16(std::u16string_view units, bool little) {
    std::string bytes;
    for (const char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += little ? low : high;
        bytes += little ? high : low;
    }
    return bytes;
}
std::string Utf16Le(std::u16string_view units) { return Utf16(units, true); }
std::string Utf16Be(std::u16string_view units) { return Utf16(units, false); }

// Gathers what the reader hands on: the lines ended, checking that they are
// numbered in turn, and how many units it passed.
class Lines final : public LineSink {
public:
    void Units(std::u16string_view units) override {
        current_ += units;
        unitsPassed += units.size();
    }

    void LineEnd(std::size_t number, LineFault fault) override {
        EXPECT_EQ(number, texts.size() + 1);
        if (fault == LineFault::kNone)
            texts.emplace_back(current_);
        else
            texts.emplace_back(fault);
        current_.clear();
    }

    Texts texts;
    std::size_t unitsPassed = 0;

private:
    std::u16string current_;
};

// The lines of the input, given to the reader in chunks of the size given.
Texts ReadInChunks(std::string_view input, std::size_t chunkSize,
                   InputEncoding encoding = InputEncoding::kDetect) {
    LineReader reader(encoding);
    Lines lines;
    for (std::size_t at = 0; at < input.size(); at += chunkSize)
        reader.Push(input.substr(at, chunkSize), lines);
    reader.Finish(lines);
    return lines.texts;
}

Texts ReadAll(std::string_view input) { return ReadInChunks(input, input.size() + 1); }

// The lines of the input for every chunk size from one byte to the whole.
void ExpectLinesInAnyChunks(std::string_view input, const Texts& expected) {
    for (std::size_t size = 1; size <= input.size() + 1; ++size)
        EXPECT_EQ(ReadInChunks(input, size), expected) << "chunks of " << size << " bytes";
}

// --- UTF-8 ---

TEST(LineReader, EmptyInputHasNoLines) { EXPECT_EQ(ReadAll(""), Texts{}); }

TEST(LineReader, LinesEndedByLf) { EXPECT_EQ(ReadAll("abc\nHello\n"), (Texts{u"abc", u"Hello"})); }

TEST(LineReader, LinesEndedByCrLf) { EXPECT_EQ(ReadAll("abc\r\nHello\r\n"), (Texts{u"abc", u"Hello"})); }

TEST(LineReader, MixedLineEndings) {
    EXPECT_EQ(ReadAll("a\nb\r\nc\nd\r\n"), (Texts{u"a", u"b", u"c", u"d"}));
}

TEST(LineReader, LastLineWithoutEndingCounts) { EXPECT_EQ(ReadAll("abc\nzzzzz"), (Texts{u"abc", u"zzzzz"})); }

TEST(LineReader, EmptyLinesAreEmptyTexts) {
    EXPECT_EQ(ReadAll("\n"), (Texts{u""}));
    EXPECT_EQ(ReadAll("\r\n\n"), (Texts{u"", u""}));
    EXPECT_EQ(ReadAll("a\n\nb"), (Texts{u"a", u"", u"b"}));
}

TEST(LineReader, LoneCrEndsALine) {
    EXPECT_EQ(ReadAll("abc\rhello\rtest\r"), (Texts{u"abc", u"hello", u"test"}));  // classic Mac OS
    EXPECT_EQ(ReadAll("a\rb\n"), (Texts{u"a", u"b"}));
    EXPECT_EQ(ReadAll("\r\r\n"), (Texts{u"", u""}));
    EXPECT_EQ(ReadAll("a\r\n\rb\n\r"), (Texts{u"a", u"", u"b", u""}));  // CRLF is one ending, LFCR two
    EXPECT_EQ(ReadAll("\r\xC3\xA9\n"), (Texts{u"", u"\u00E9"}));
    EXPECT_EQ(ReadAll("\xC3\r\xC3\xA9"), (Texts{kNotUtf8, u"\u00E9"}));  // a CR cuts a sequence short
    EXPECT_EQ(ReadAll(std::string("\xFF\rabc\r\n\0\r\n", 10)),
              (Texts{kNotUtf8, u"abc", kNul}));  // and ends a faulty line
}

TEST(LineReader, AnyByteAnywhereInARunOfPlainOnes) {
    // Plain bytes are taken eight at a time: each kind of byte at each place
    // of a run, next to the bounds of plain ones, 0x20 to 0x7F.
    for (std::size_t at = 0; at < 20; ++at) {
        const std::string before(at, '~');
        const std::string after(20 - at, ' ');
        const std::u16string unitsBefore(before.begin(), before.end());
        const std::u16string unitsAfter(after.begin(), after.end());
        EXPECT_EQ(ReadAll(before + "\x1F\x7F" + after), (Texts{unitsBefore + u"\x1F\x7F" + unitsAfter}));
        EXPECT_EQ(ReadAll(before + "\xC3\xA9" + after), (Texts{unitsBefore + u"\u00E9" + unitsAfter}));
        EXPECT_EQ(ReadAll(before + "\n" + after), (Texts{unitsBefore, unitsAfter}));
        EXPECT_EQ(ReadAll(before + "\xA0" + after), (Texts{kNotUtf8}));
        EXPECT_EQ(ReadAll(before + std::string(1, '\0') + after), (Texts{kNul}));
    }
}

TEST(LineReader, DecodesUtf8) {
    EXPECT_EQ(ReadAll("Jos\xC3\xA9\n\xF0\x9F\x98\x80\n\xE3\x81\x82"),
              (Texts{u"Jos\u00E9", std::u16string({0xD83D, 0xDE00}), u"\u3042"}));
}

TEST(LineReader, InvalidLineIsNamedAndTheOthersGoOn) {
    EXPECT_EQ(ReadAll("abc\n\xFF\nhello\n\xC0\xAF"), (Texts{u"abc", kNotUtf8, u"hello", kNotUtf8}));
}

TEST(LineReader, SequenceCutShortByTheLineEnd) {
    EXPECT_EQ(ReadAll("\xC3\nabc\n"), (Texts{kNotUtf8, u"abc"}));
    EXPECT_EQ(ReadAll("\xE3\x81\r\nabc"), (Texts{kNotUtf8, u"abc"}));
    EXPECT_EQ(ReadAll("abc\n\xF0\x9F\x98"), (Texts{u"abc", kNotUtf8}));  // by the end of the input
}

TEST(LineReader, NulCharacterMakesTheLineFaulty) {
    EXPECT_EQ(ReadAll(std::string("a\0b\nc\n", 6)), (Texts{kNul, u"c"}));
    EXPECT_EQ(ReadAll(std::string("abc\r\n\0", 6)), (Texts{u"abc", kNul}));
    // The first fault of a line names it; a NUL inside a sequence cuts it short.
    EXPECT_EQ(ReadAll(std::string("\0\xFF\n\xFF\0\n\xC3\0\n", 9)), (Texts{kNul, kNotUtf8, kNotUtf8}));
    // UTF-16 without a byte-order mark, in either order.
    EXPECT_EQ(ReadAll(Utf16Le(u"abc\r\nhello\r\n")), (Texts{kNul, kNul, kNul, kNul, kNul}));
    EXPECT_EQ(ReadAll(Utf16Be(u"abc\r\nhello\r\n")), (Texts{kNul, kNul, kNul, kNul}));
}

TEST(LineReader, ByteOrderMarkAtTheStartIsSkipped) {
    EXPECT_EQ(ReadAll(kByteOrderMark + "abc\n"), (Texts{u"abc"}));
    EXPECT_EQ(ReadAll(kByteOrderMark), Texts{});
    EXPECT_EQ(ReadAll(kByteOrderMark + "\n"), (Texts{u""}));
}

TEST(LineReader, ByteOrderMarkInsideALineIsText) {
    EXPECT_EQ(ReadAll("a" + kByteOrderMark + "b\n"), (Texts{u"a\uFEFFb"}));
    EXPECT_EQ(ReadAll("a" + kLittleEndianMark + "\n"), (Texts{kNotUtf8}));  // UTF-8 still
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"x\uFEFF\uFFFE\n")), (Texts{u"x\uFEFF\uFFFE"}));
}

// Files joined one after another: each mark at the start of a line is taken
// away, and its encoding holds from there.
TEST(LineReader, ByteOrderMarkAtALineStartStartsAnotherFile) {
    EXPECT_EQ(ReadAll(kByteOrderMark + "abc\r\n" + kByteOrderMark + "hello\r\n"), (Texts{u"abc", u"hello"}));
    EXPECT_EQ(ReadAll(kByteOrderMark + kByteOrderMark + "a"), (Texts{u"a"}));  // an empty file first
    EXPECT_EQ(ReadAll("a\n" + kByteOrderMark), (Texts{u"a"}));                 // an empty file last
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"abc\r\n") + kLittleEndianMark + Utf16Le(u"hello\r\n")),
              (Texts{u"abc", u"hello"}));
    EXPECT_EQ(
        ReadAll(kLittleEndianMark + Utf16Le(u"abc\r\n") + kBigEndianMark + Utf16Be(u"hello\r\ntest\r\n")),
        (Texts{u"abc", u"hello", u"test"}));
    EXPECT_EQ(ReadAll(kBigEndianMark + Utf16Be(u"a\n") + kByteOrderMark + "b\r" + kLittleEndianMark +
                      Utf16Le(u"c")),
              (Texts{u"a", u"b", u"c"}));
    // A mark after a CR ends no CRLF: an LF after it is a line of the new file.
    EXPECT_EQ(ReadAll("a\r" + kByteOrderMark + "\nb"), (Texts{u"a", u"", u"b"}));
    EXPECT_EQ(ReadAll("a\r\n" + kLittleEndianMark + Utf16Le(u"\n")), (Texts{u"a", u""}));
    // Bytes that start like a mark and are not one are text of the line.
    EXPECT_EQ(ReadAll("a\n\xEF\xBB\xBA\n\xFF\xFF\n"), (Texts{u"a", u"\uFEFA", kNotUtf8}));
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"a\n") + "\xFF"), (Texts{u"a", kOddByte}));
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"a\n") + std::string("\xEF\xBB\n\0", 4)),
              (Texts{u"a", u"\uBBEF"}));
}

TEST(LineReader, PartOfAByteOrderMarkIsInvalid) {
    EXPECT_EQ(ReadAll("\xEF\xBB"), (Texts{kNotUtf8}));
    EXPECT_EQ(ReadAll("\xEF\xBB\na"), (Texts{kNotUtf8, u"a"}));
    EXPECT_EQ(ReadAll("\xFF"), (Texts{kNotUtf8}));
    EXPECT_EQ(ReadAll("\xFE\nabc"), (Texts{kNotUtf8, u"abc"}));
    EXPECT_EQ(ReadAll("\xEF\xBF\xBF\n"), (Texts{u"\uFFFF"}));  // a character that starts like the mark
}

TEST(LineReader, AnyChunksGiveTheSameLines) {
    ExpectLinesInAnyChunks(
        kByteOrderMark + "abc\r\nJos\xC3\xA9\n\xF0\x9F\x98\x80x\r\n\r\n\xFFz\nlast\r",
        Texts{u"abc", u"Jos\u00E9", std::u16string({0xD83D, 0xDE00, u'x'}), u"", kNotUtf8, u"last"});
    ExpectLinesInAnyChunks(std::string("a\0\nb\xE3\x81\nc\r", 9), Texts{kNul, kNotUtf8, u"c"});
    ExpectLinesInAnyChunks("a\r\r\nb\r" + kByteOrderMark + "\xC3\xA9\r" + kLittleEndianMark +
                               Utf16Le(u"c\r\nd\r") + kBigEndianMark + Utf16Be(u"\ne\r") +
                               std::string("\0\n", 2),
                           Texts{u"a", u"", u"b", u"\u00E9", u"c", u"d", u"", u"e"});
}

TEST(LineReader, ChunkEndsInsideAFourByteCharacter) {
    LineReader reader;
    Lines lines;
    reader.Push("a\xF0\x9F", lines);
    EXPECT_EQ(lines.texts, Texts{});
    reader.Push("\x98\x80\n", lines);
    EXPECT_EQ(lines.texts, (Texts{std::u16string({u'a', 0xD83D, 0xDE00})}));
}

TEST(LineReader, ChunkEndsBetweenCrAndLf) {
    LineReader reader;
    Lines lines;
    reader.Push("abc\r", lines);
    EXPECT_EQ(lines.texts, (Texts{u"abc"}));  // at once: typed input may send nothing more for long
    reader.Push("\nx", lines);
    reader.Finish(lines);
    EXPECT_EQ(lines.texts, (Texts{u"abc", u"x"}));  // the LF made no line of its own
}

TEST(LineReader, HandsOnEachLineAsSoonAsItIsWhole) {
    LineReader reader;
    Lines lines;
    reader.Push("\n", lines);  // an empty first line is not held back waiting for a byte-order mark
    EXPECT_EQ(lines.texts, (Texts{u""}));
    reader.Push("abc\nde", lines);
    EXPECT_EQ(lines.texts, (Texts{u"", u"abc"}));
    reader.Push("f\n", lines);
    EXPECT_EQ(lines.texts, (Texts{u"", u"abc", u"def"}));
}

TEST(LineReader, PassesTheUnitsOfALineAsTheyCome) {
    LineReader reader;
    Lines lines;
    reader.Push("ab\xC3", lines);
    EXPECT_EQ(lines.unitsPassed, 2u);  // not the half of a character
    reader.Push("\xA9", lines);
    EXPECT_EQ(lines.unitsPassed, 3u);
}

TEST(LineReader, WaitsForTheRestOfAByteOrderMark) {
    LineReader reader;
    Lines lines;
    reader.Push("\xEF", lines);
    reader.Push("\xBB", lines);
    EXPECT_EQ(lines.texts, Texts{});
    reader.Push("\xBF\n", lines);
    EXPECT_EQ(lines.texts, (Texts{u""}));
}

TEST(LineReader, LongLineAcrossManyChunks) {
    const std::string address(100000, 'a');
    EXPECT_EQ(ReadInChunks(address + "\r\nb", 7), (Texts{std::u16string(address.size(), u'a'), u"b"}));
}

TEST(LineReader, FaultyLinePassesNoMoreUnits) {
    LineReader reader;
    Lines lines;
    reader.Push("abc\xFF" + std::string(100000, 'a') + "\nxy\n", lines);
    reader.Push(std::string("d\0", 2) + std::string(100000, 'a'), lines);
    reader.Finish(lines);
    EXPECT_EQ(lines.texts, (Texts{kNotUtf8, u"xy", kNul}));
    EXPECT_EQ(lines.unitsPassed, 2u);  // "xy": the faulty lines' units before their faults are dropped too
}

// --- UTF-16 ---

TEST(LineReader, Utf16InBothByteOrders) {
    EXPECT_EQ(ReadAll(std::string("\xFF\xFE"
                                  "a\0b\0c\0\r\0\n\0",
                                  12)),
              (Texts{u"abc"}));
    for (const bool little : {true, false}) {
        const std::string mark = little ? kLittleEndianMark : kBigEndianMark;
        EXPECT_EQ(ReadAll(mark + Utf16(u"abc\r\nhello\nJos\u00E9\u3042", little)),
                  (Texts{u"abc", u"hello", u"Jos\u00E9\u3042"}));
        EXPECT_EQ(ReadAll(mark), Texts{});
        EXPECT_EQ(ReadAll(mark + Utf16(u"\n\r\n\r\r\na\rb", little)),
                  (Texts{u"", u"", u"", u"", u"a", u"b"}));
        // 0A as half of another unit ends nothing: U+0A61 and U+610A.
        EXPECT_EQ(ReadAll(mark + Utf16(u"\u0A61\u610A\n", little)), (Texts{u"\u0A61\u610A"}));
    }
}

TEST(LineReader, Utf16UnitsAreNotValidated) {
    const std::u16string pair({u'x', 0xD83D, 0xDE00});
    const std::u16string lone({0xDC00, u'a', 0xD800});  // halves of pairs, each alone
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(pair + u"\n" + lone)), (Texts{pair, lone}));
    EXPECT_EQ(ReadAll(kBigEndianMark + Utf16Be(lone + u"\r\n")), (Texts{lone}));
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"x\uFEFF\uFFFF")),
              (Texts{u"x\uFEFF\uFFFF"}));  // a mark inside a line is text
}

TEST(LineReader, Utf16FaultyLines) {
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(std::u16string(u"abc\n\0\0\0\nhello\r\n\0\nz", 18))),
              (Texts{u"abc", kNul, u"hello", kNul, u"z"}));
    EXPECT_EQ(ReadAll(kBigEndianMark + Utf16Be(std::u16string(u"\r\0\r\n", 4))), (Texts{u"", kNul}));
    // An odd byte at the end faults the last line, or a line of its own.
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"abc\nde") + "f"), (Texts{u"abc", kOddByte}));
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(u"abc\n") + "\n"), (Texts{u"abc", kOddByte}));
    EXPECT_EQ(ReadAll(kBigEndianMark + "a"), (Texts{kOddByte}));
    EXPECT_EQ(ReadAll(kLittleEndianMark + Utf16Le(std::u16string(u"x\0", 2)) + "a"),
              (Texts{kNul}));  // the first
}

TEST(LineReader, Utf16InAnyChunks) {
    const std::u16string text(
        {u'a', 0xD83D, 0xDE00, u'\r', u'\n', 0x0A0D, u'\r', u'\r', u'\n', 0, u'\n', 0xDC00});
    const Texts expected{std::u16string({u'a', 0xD83D, 0xDE00}), std::u16string({0x0A0D}), u"", kNul,
                         std::u16string({0xDC00})};
    ExpectLinesInAnyChunks(kLittleEndianMark + Utf16Le(text), expected);
    ExpectLinesInAnyChunks(kBigEndianMark + Utf16Be(text), expected);
    ExpectLinesInAnyChunks(kLittleEndianMark + Utf16Le(u"abc\n") + "x", Texts{u"abc", kOddByte});
}

TEST(LineReader, ChunkEndsInsideAUtf16Unit) {
    LineReader reader;
    Lines lines;
    reader.Push("\xFF", lines);
    reader.Push(
        "\xFE"
        "a",
        lines);
    EXPECT_EQ(lines.unitsPassed, 0u);
    reader.Push(std::string("\0\n", 2), lines);
    EXPECT_EQ(lines.unitsPassed, 1u);
    EXPECT_EQ(lines.texts, Texts{});  // half of the LF
    reader.Push(std::string("\0", 1), lines);
    EXPECT_EQ(lines.texts, (Texts{u"a"}));
}

TEST(LineReader, KnownUtf16LittleEndianTakesNoMark) {
    // A Windows console's units: FF FE is the unit U+FEFF, not a mark.
    EXPECT_EQ(ReadInChunks(kLittleEndianMark + Utf16Le(u"a\r\n"), 3, InputEncoding::kUtf16Le),
              (Texts{u"\uFEFFa"}));
    EXPECT_EQ(ReadInChunks(Utf16Le(u"abc\r\nhello") + "x", 1, InputEncoding::kUtf16Le),
              (Texts{u"abc", kOddByte}));
    EXPECT_EQ(ReadInChunks("\n", 1, InputEncoding::kUtf16Le), (Texts{kOddByte}));
}

}  // namespace
}  // namespace pelvaro::cli
