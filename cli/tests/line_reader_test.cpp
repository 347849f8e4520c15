// LineReader: line endings, the byte-order mark, invalid lines, and chunks
// that end anywhere, even inside a character or between CR and LF.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelvaro::cli {
namespace {

using Texts = std::vector<std::optional<std::u16string>>;  // empty: not valid UTF-8

const std::string kByteOrderMark = "\xEF\xBB\xBF";

// Takes every line the reader holds now, checking that they are numbered in turn.
void TakeLines(LineReader& reader, Texts& texts) {
    while (std::optional<Line> line = reader.Next()) {
        EXPECT_EQ(line->number, texts.size() + 1);
        texts.push_back(line->text);
    }
}

// The lines of the input, given to the reader in chunks of the size given.
Texts ReadInChunks(std::string_view input, std::size_t chunkSize) {
    LineReader reader;
    Texts texts;
    for (std::size_t at = 0; at < input.size(); at += chunkSize) {
        reader.Push(input.substr(at, chunkSize));
        TakeLines(reader, texts);
    }
    reader.Finish();
    TakeLines(reader, texts);
    return texts;
}

Texts Read(std::string_view input) { return ReadInChunks(input, input.size() + 1); }

// The lines of the input for every chunk size from one byte to the whole.
void ExpectLinesInAnyChunks(std::string_view input, const Texts& expected) {
    for (std::size_t size = 1; size <= input.size() + 1; ++size)
        EXPECT_EQ(ReadInChunks(input, size), expected) << "chunks of " << size << " bytes";
}

TEST(LineReader, EmptyInputHasNoLines) { EXPECT_EQ(Read(""), Texts{}); }

TEST(LineReader, LinesEndedByLf) { EXPECT_EQ(Read("abc\nHello\n"), (Texts{u"abc", u"Hello"})); }

TEST(LineReader, LinesEndedByCrLf) { EXPECT_EQ(Read("abc\r\nHello\r\n"), (Texts{u"abc", u"Hello"})); }

TEST(LineReader, MixedLineEndings) { EXPECT_EQ(Read("a\nb\r\nc\nd\r\n"), (Texts{u"a", u"b", u"c", u"d"})); }

TEST(LineReader, LastLineWithoutEndingCounts) { EXPECT_EQ(Read("abc\nzzzzz"), (Texts{u"abc", u"zzzzz"})); }

TEST(LineReader, EmptyLinesAreEmptyTexts) {
    EXPECT_EQ(Read("\n"), (Texts{u""}));
    EXPECT_EQ(Read("\r\n\n"), (Texts{u"", u""}));
    EXPECT_EQ(Read("a\n\nb"), (Texts{u"a", u"", u"b"}));
}

TEST(LineReader, LoneCrBelongsToTheLine) {
    EXPECT_EQ(Read("a\rb\n"), (Texts{u"a\rb"}));
    EXPECT_EQ(Read("\r\r\n"), (Texts{u"\r"}));
    EXPECT_EQ(Read("abc\r"), (Texts{u"abc\r"}));  // at the end of the input, no LF follows
}

TEST(LineReader, DecodesUtf8) {
    EXPECT_EQ(Read("Jos\xC3\xA9\n\xF0\x9F\x98\x80\n"),
              (Texts{u"Jos\u00E9", std::u16string({0xD83D, 0xDE00})}));
}

TEST(LineReader, InvalidLineIsNamedAndTheOthersGoOn) {
    EXPECT_EQ(Read("abc\n\xFF\nhello\n\xC0\xAF"), (Texts{u"abc", std::nullopt, u"hello", std::nullopt}));
}

TEST(LineReader, ByteOrderMarkAtTheStartIsSkipped) {
    EXPECT_EQ(Read(kByteOrderMark + "abc\n"), (Texts{u"abc"}));
    EXPECT_EQ(Read(kByteOrderMark), Texts{});
    EXPECT_EQ(Read(kByteOrderMark + "\n"), (Texts{u""}));
}

TEST(LineReader, ByteOrderMarkElsewhereIsText) {
    EXPECT_EQ(Read("a\n" + kByteOrderMark + "b\n"), (Texts{u"a", u"\uFEFFb"}));
    EXPECT_EQ(Read(kByteOrderMark + kByteOrderMark + "a"), (Texts{u"\uFEFFa"}));  // only the first is skipped
}

TEST(LineReader, PartOfAByteOrderMarkIsInvalid) {
    EXPECT_EQ(Read("\xEF\xBB"), (Texts{std::nullopt}));
    EXPECT_EQ(Read("\xEF\xBB\na"), (Texts{std::nullopt, u"a"}));
}

TEST(LineReader, AnyChunksGiveTheSameLines) {
    ExpectLinesInAnyChunks(
        kByteOrderMark + "abc\r\nJos\xC3\xA9\n\xF0\x9F\x98\x80x\r\n\r\n\xFFz\nlast\r",
        Texts{u"abc", u"Jos\u00E9", std::u16string({0xD83D, 0xDE00, u'x'}), u"", std::nullopt, u"last\r"});
}

TEST(LineReader, ChunkEndsInsideAFourByteCharacter) {
    LineReader reader;
    reader.Push("a\xF0\x9F");
    EXPECT_FALSE(reader.Next());
    reader.Push("\x98\x80\n");
    const std::optional<Line> line = reader.Next();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, std::u16string({u'a', 0xD83D, 0xDE00}));
}

TEST(LineReader, ChunkEndsBetweenCrAndLf) {
    LineReader reader;
    reader.Push("abc\r");
    EXPECT_FALSE(reader.Next());  // the CR may yet start CRLF
    reader.Push("\nx");
    const std::optional<Line> line = reader.Next();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, u"abc");
}

TEST(LineReader, HandsOutEachLineAsSoonAsItIsWhole) {
    LineReader reader;
    reader.Push("\n");  // an empty first line is not held back waiting for a byte-order mark
    ASSERT_TRUE(reader.Next());
    reader.Push("abc\nde");
    std::optional<Line> line = reader.Next();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->number, 2u);
    EXPECT_EQ(line->text, u"abc");
    EXPECT_FALSE(reader.Next());
    reader.Push("f\n");
    line = reader.Next();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, u"def");
    EXPECT_FALSE(reader.Next());
}

TEST(LineReader, WaitsForTheRestOfAByteOrderMark) {
    LineReader reader;
    reader.Push("\xEF");
    EXPECT_FALSE(reader.Next());
    reader.Push("\xBB");
    EXPECT_FALSE(reader.Next());
    reader.Push("\xBF\n");
    const std::optional<Line> line = reader.Next();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, u"");
}

TEST(LineReader, LongLineAcrossManyChunks) {
    const std::string address(100000, 'a');
    EXPECT_EQ(ReadInChunks(address + "\r\nb", 7), (Texts{std::u16string(address.size(), u'a'), u"b"}));
}

}  // namespace
}  // namespace pelvaro::cli
