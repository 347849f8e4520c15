// DecodeUtf8: every valid form, and every kind of invalid sequence.
#include "utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace pelvaro::cli {
namespace {

TEST(DecodeUtf8, EmptyBytesAreEmptyText) { EXPECT_EQ(DecodeUtf8(""), u""); }

TEST(DecodeUtf8, OneByteForms) {
    EXPECT_EQ(DecodeUtf8("abc@example.com"), u"abc@example.com");
    EXPECT_EQ(DecodeUtf8(std::string("\0\x7F", 2)), std::u16string(u"\0\x7F", 2));
}

TEST(DecodeUtf8, TwoByteForms) {
    EXPECT_EQ(DecodeUtf8("\xC2\x80"), u"\u0080");
    EXPECT_EQ(DecodeUtf8("Jos\xC3\xA9"), u"Jos\u00E9");
    EXPECT_EQ(DecodeUtf8("\xDF\xBF"), u"\u07FF");
}

TEST(DecodeUtf8, ThreeByteForms) {
    EXPECT_EQ(DecodeUtf8("\xE0\xA0\x80"), u"\u0800");
    EXPECT_EQ(DecodeUtf8("\xE3\x81\x82"), u"\u3042");
    EXPECT_EQ(DecodeUtf8("\xED\x9F\xBF"), u"\uD7FF");  // the last unit before the surrogates
    EXPECT_EQ(DecodeUtf8("\xEE\x80\x80"), u"\uE000");  // the first unit after them
    EXPECT_EQ(DecodeUtf8("\xEF\xBF\xBF"), u"\uFFFF");
}

TEST(DecodeUtf8, FourByteFormsBecomeSurrogatePairs) {
    EXPECT_EQ(DecodeUtf8("\xF0\x90\x80\x80"), std::u16string({0xD800, 0xDC00}));
    EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), std::u16string({0xD83D, 0xDE00}));  // U+1F600
    EXPECT_EQ(DecodeUtf8("\xF4\x8F\xBF\xBF"), std::u16string({0xDBFF, 0xDFFF}));  // U+10FFFF
}

TEST(DecodeUtf8, MixedForms) {
    EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80z"),
              std::u16string({u'a', 0xE9, 0x3042, 0xD83D, 0xDE00, u'z'}));
}

TEST(DecodeUtf8, RejectsStrayContinuationBytes) {
    EXPECT_FALSE(DecodeUtf8("\x80"));
    EXPECT_FALSE(DecodeUtf8("a\xBF"));
    EXPECT_FALSE(DecodeUtf8("\xC3\xA9\xA9"));  // one continuation too many
}

TEST(DecodeUtf8, RejectsTruncatedSequences) {
    EXPECT_FALSE(DecodeUtf8("\xC3"));
    EXPECT_FALSE(DecodeUtf8("\xE3\x81"));
    EXPECT_FALSE(DecodeUtf8("\xF0\x9F\x98"));
    EXPECT_FALSE(DecodeUtf8("\xE3\x81z"));         // cut short by an ASCII byte
    EXPECT_FALSE(DecodeUtf8("\xF0\x9F\xC3\xA9"));  // cut short by another lead byte
}

TEST(DecodeUtf8, RejectsOverlongForms) {
    EXPECT_FALSE(DecodeUtf8("\xC0\xAF"));          // '/'
    EXPECT_FALSE(DecodeUtf8("\xC1\xBF"));          // U+007F
    EXPECT_FALSE(DecodeUtf8("\xE0\x80\xAF"));      // '/'
    EXPECT_FALSE(DecodeUtf8("\xE0\x9F\xBF"));      // U+07FF
    EXPECT_FALSE(DecodeUtf8("\xF0\x80\x80\xAF"));  // '/'
    EXPECT_FALSE(DecodeUtf8("\xF0\x8F\xBF\xBF"));  // U+FFFF
}

TEST(DecodeUtf8, RejectsEncodedSurrogates) {
    EXPECT_FALSE(DecodeUtf8("\xED\xA0\x80"));              // U+D800
    EXPECT_FALSE(DecodeUtf8("\xED\xAF\xBF"));              // U+DBFF
    EXPECT_FALSE(DecodeUtf8("\xED\xB0\x80"));              // U+DC00
    EXPECT_FALSE(DecodeUtf8("\xED\xBF\xBF"));              // U+DFFF
    EXPECT_FALSE(DecodeUtf8("\xED\xA0\xBD\xED\xB8\x80"));  // a pair encoded unit by unit
}

TEST(DecodeUtf8, RejectsCodePointsAboveTheLast) {
    EXPECT_FALSE(DecodeUtf8("\xF4\x90\x80\x80"));  // U+110000
    EXPECT_FALSE(DecodeUtf8("\xF7\xBF\xBF\xBF"));
}

TEST(DecodeUtf8, RejectsBytesThatNeverAppear) {
    for (unsigned byte = 0xF8; byte <= 0xFF; ++byte)
        EXPECT_FALSE(DecodeUtf8(std::string(1, static_cast<char>(byte)) + "\x80\x80\x80\x80\x80")) << byte;
}

}  // namespace
}  // namespace pelvaro::cli
