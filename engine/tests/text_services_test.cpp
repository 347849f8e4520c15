// Text services against code page 1252 as published, written out here by hand
// rather than taken from any converter.
#include "pelvaro/text_services.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "code_table.h"
#include "pelvaro/id_number.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro {
namespace {

// The unit each byte 0x80-0x9F stands for. The five bytes code page 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the unit of the same value.
constexpr std::array<char16_t, 32> kRow80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Bytes 0x00-0x7F and 0xA0-0xFF stand for the unit of the same value.
char16_t UnitOf(unsigned byte) { return byte >= 0x80 && byte <= 0x9F ? kRow80[byte - 0x80] : char16_t(byte); }

// The lower case of a code page 1252 letter, as a byte; other bytes are unchanged.
unsigned LowerByte(unsigned byte) {
    if (byte >= 'A' && byte <= 'Z') return byte + 0x20;
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return byte + 0x20;  // not the multiplication sign
    switch (byte) {
        case 0x8A:
            return 0x9A;  // S caron
        case 0x8C:
            return 0x9C;  // OE
        case 0x8E:
            return 0x9E;  // Z caron
        case 0x9F:
            return 0xFF;  // Y diaeresis
        default:
            return byte;
    }
}

TextServices Cp1252() {
    auto services = TextServices::ForCodePage(1252);
    EXPECT_TRUE(services.has_value());
    return *services;
}

TEST(TextServices1252, EveryByteCodesAsItself) {
    const TextServices services = Cp1252();
    EXPECT_EQ(services.CodePage(), 1252u);
    for (unsigned byte = 0; byte < 256; ++byte)
        EXPECT_EQ(services.AnsiCode(UnitOf(byte)), static_cast<std::int32_t>(byte)) << "byte " << byte;
}

TEST(TextServices1252, LowerCasesEveryLetterAsWindowsDoes) {
    const TextServices services = Cp1252();
    for (unsigned byte = 1; byte < 256; ++byte) {
        const std::u16string lower = services.LowerCase(std::u16string(1, UnitOf(byte)));
        ASSERT_EQ(lower.size(), 1u);
        EXPECT_EQ(services.AnsiCode(lower[0]), static_cast<std::int32_t>(LowerByte(byte))) << "byte " << byte;
    }
}

TEST(TextServices1252, LowerCaseKeepsLengthAndNonLetters) {
    const TextServices services = Cp1252();
    EXPECT_EQ(services.LowerCase(u"Name.Surname+Tag@EXAMPLE.com 42"), u"name.surname+tag@example.com 42");
    EXPECT_EQ(services.LowerCase(u""), u"");
    const std::u16string halves = u"\U0001F600\xD800x";  // a pair and a lone half stay as they are
    EXPECT_EQ(services.LowerCase(halves), halves);
    const std::u16string withNul(3, u'\0');
    EXPECT_EQ(services.LowerCase(withNul), withNul);
}

// Not a look-alike ("best fit", such as "a" for a-macron): the question mark.
TEST(TextServices1252, EveryOtherUnitIsAQuestionMark) {
    const TextServices services = Cp1252();
    std::array<bool, 0x10000> spelled{};
    for (unsigned byte = 0; byte < 256; ++byte) spelled[UnitOf(byte)] = true;
    for (unsigned unit = 0; unit < 0x10000; ++unit)
        if (!spelled[unit]) {
            ASSERT_EQ(services.AnsiCode(static_cast<char16_t>(unit)), 63) << "unit " << unit;
        }
}

#ifndef _WIN32
TEST(TextServices, DefaultCodePageIs1252) { EXPECT_EQ(TextServices::SystemAnsi().CodePage(), 1252u); }
#endif

TEST(TextServices, OtherCodePages) {
    struct Case {
        unsigned codePage;
        char16_t unit;
        std::int32_t code;
    };
    const Case cases[] = {
        {1250, u'\u0159', 0xF8},                              // r caron
        {1251, u'\u0436', 0xE6},                              // Cyrillic zhe
        {1253, u'\u03B1', 0xE1},                              // Greek alpha
        {1254, u'\u011F', 0xF0},                              // g breve
        {1255, u'\u05D0', 0xE0},                              // Hebrew alef
        {1256, u'\u0627', 0xC7},                              // Arabic alef
        {1257, u'\u0101', 0xE2},                              // a macron
        {1258, u'\u0111', 0xF0},                              // d stroke
        {932, u'\u3042', static_cast<std::int16_t>(0x82A0)},  // hiragana a
        {932, u'\uFF71', 0xB1},                               // half-width katakana a: one byte
        {936, u'\u4E2D', static_cast<std::int16_t>(0xD6D0)},  // "middle"
        {949, u'\uD55C', static_cast<std::int16_t>(0xC7D1)},  // Hangul han
        {950, u'\u4E2D', static_cast<std::int16_t>(0xA4A4)},  // "middle"
    };
    for (const Case& c : cases) {
        const auto services = TextServices::ForCodePage(c.codePage);
        ASSERT_TRUE(services.has_value()) << c.codePage;
        EXPECT_EQ(services->CodePage(), c.codePage);
        EXPECT_EQ(services->AnsiCode(c.unit), c.code)
            << "code page " << c.codePage << " unit " << int(c.unit);
        EXPECT_EQ(services->AnsiCode(u'a'), 97) << c.codePage;
    }
}

// Where a C library's converters answer otherwise than Windows (glibc's do),
// the stand-in answers as Windows does: letters Windows leaves alone,
// private-use units for bytes a page leaves undefined, look-alikes Windows
// refuses, user-defined areas.
TEST(TextServices, AnswerAsWindowsWhereTheCLibraryDiffers) {
    const TextServices cp1252 = Cp1252();
    for (const char16_t letter :
         {u'\u0130', u'\u01C5', u'\u03F4', u'\u1E9E', u'\u2126', u'\u212A', u'\u212B'})
        EXPECT_EQ(cp1252.LowerUnit(letter), letter) << "unit " << int(letter);
    EXPECT_EQ(UnsignedText(WorkOutIdNumber(u"\u0130stanbul@x.ru", cp1252)), "3822879797");

    struct Case {
        unsigned codePage;
        char16_t unit;
        std::int32_t code;
    };
    const Case cases[] = {
        // Bytes the page leaves undefined stand for private-use units, not the unit of the same value.
        {874, u'\uF8C1', 0xDB},
        {874, u'\u00DB', 63},
        {1253, u'\uF8F9', 0xAA},
        {1253, u'\u00AA', 63},
        {1257, u'\uF8FC', 0xA1},
        {932, u'\u0080', 0x80},
        {950, u'\uF8F8', 0xFF},
        {1255, u'\u05BA', 0xCA},  // Hebrew holam haser for vav: glibc leaves byte 0xCA undefined
        // Look-alikes: 0x5C is the backslash and 0x7E the tilde.
        {932, u'\u00A5', 63},
        {932, u'\u203E', 63},
        // User-defined areas, and a box-drawing character glibc gives another code.
        {936, u'\uE000', static_cast<std::int16_t>(0xAAA1)},
        {936, u'\uE4C6', static_cast<std::int16_t>(0xA140)},
        {949, u'\uE000', static_cast<std::int16_t>(0xC9A1)},
        {950, u'\uE000', static_cast<std::int16_t>(0xFA40)},
        {950, u'\u2550', static_cast<std::int16_t>(0xF9F9)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextServices::ForCodePage(c.codePage)->AnsiCode(c.unit), c.code)
            << "code page " << c.codePage << " unit " << int(c.unit);
}

// Without look-alikes a code stands for one unit only: no two units share a
// code but the question mark's. A single-byte page gives every byte to one unit.
TEST(TextServices, EveryCodeStandsForOneUnit) {
    for (const unsigned codePage : kChoosableCodePages) {
        const auto services = TextServices::ForCodePage(codePage);
        ASSERT_TRUE(services.has_value()) << codePage;
        std::vector<unsigned> units(0x10000);
        for (unsigned unit = 0; unit < 0x10000; ++unit)
            ++units[static_cast<std::uint16_t>(services->AnsiCode(static_cast<char16_t>(unit)))];
        const bool singleByte = codePage == 874 || (codePage >= 1250 && codePage <= 1258);
        for (unsigned code = 0; code < 0x10000; ++code) {
            if (code == 63) continue;
            if (singleByte && code < 256)
                EXPECT_EQ(units[code], 1u) << "code page " << codePage << " byte " << code;
            else
                EXPECT_LE(units[code], 1u) << "code page " << codePage << " code " << code;
        }
    }
}

// A system whose ANSI code page is UTF-8: plain ASCII keeps its codes, a
// two-byte character reads as one 16-bit value, a longer one is "?". On
// Windows the system answers; elsewhere the same is worked out.
TEST(TextServices, Utf8AsTheSystemCodePage) {
    const auto services = TextServices::ForCodePage(65001);
    ASSERT_TRUE(services.has_value());
    EXPECT_EQ(services->CodePage(), 65001u);
    struct Case {
        char16_t unit;
        std::int32_t code;
    };
    for (const Case& c : {
             Case{u'a', 97},
             Case{u'\x7F', 127},
             Case{u'\u0080', static_cast<std::int16_t>(0xC280)},  // the first of two bytes
             Case{u'\u00E9', static_cast<std::int16_t>(0xC3A9)},  // e acute
             Case{u'\u07FF', static_cast<std::int16_t>(0xDFBF)},  // the last of two bytes
             Case{u'\u0800', 63},                                 // three bytes
             Case{u'\u4E2D', 63},
             Case{u'\uFFFF', 63},
             Case{0xD83D, 63},  // half of a character of four bytes
             Case{0xDE00, 63},
         })
        EXPECT_EQ(services->AnsiCode(c.unit), c.code) << "unit " << int(c.unit);
    EXPECT_EQ(UnsignedText(WorkOutIdNumber(u"\u00C9@x", *services)), "4137399033");
}

TEST(TextServices, UnknownCodePagesAreRefused) {
    for (unsigned codePage : {0u, 1u, 437u, 1200u, 1259u, 65000u, 65002u, 4294967295u})
        EXPECT_FALSE(TextServices::ForCodePage(codePage).has_value()) << codePage;
}

}  // namespace
}  // namespace pelvaro
