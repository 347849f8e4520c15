// WorkOutIdNumber: the known id numbers, and the fold against its closed form.
#include "pelvaro/id_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro {
namespace {

std::string IdText(std::u16string_view text) {
    return UnsignedText(WorkOutIdNumber(text, *TextServices::ForCodePage(1252)));
}

TEST(WorkOutIdNumber, KnownAddresses) {
    EXPECT_EQ(IdText(u""), "0");
    EXPECT_EQ(IdText(u"a"), "97");
    EXPECT_EQ(IdText(u"z"), "122");
    EXPECT_EQ(IdText(u"0"), "48");
    EXPECT_EQ(IdText(u"abc"), "999494");
    EXPECT_EQ(IdText(u"ABC"), "999494");
    EXPECT_EQ(IdText(u" abc"), "33969126");
    EXPECT_EQ(IdText(u"abc "), "100948926");
    EXPECT_EQ(IdText(u"a.b"), "994241");
    EXPECT_EQ(IdText(u"hello"), "2337520240");
    EXPECT_EQ(IdText(u"Hello"), "2337520240");
    EXPECT_EQ(IdText(u"abcdef"), "3283514353");
    EXPECT_EQ(IdText(u"abcdefg"), "922467964");
    EXPECT_EQ(IdText(u"abcdefgh"), "2974951252");
    EXPECT_EQ(IdText(u"zzzzz"), "4232388018");
    EXPECT_EQ(IdText(u"test"), "120556948");
    EXPECT_EQ(IdText(u"TEST"), "120556948");
}

// c1 * 101^(n-1) + ... + cn mod 2^32, summed term by term with unsigned powers.
std::uint32_t ClosedForm(std::u16string_view lower, const TextServices& services) {
    std::uint32_t sum = 0;
    std::uint32_t power = 1;
    for (auto unit = lower.rbegin(); unit != lower.rend(); ++unit) {
        sum += static_cast<std::uint32_t>(services.AnsiCode(*unit)) * power;
        power *= 101u;
    }
    return sum;
}

TEST(WorkOutIdNumber, EqualsClosedFormOnRandomTexts) {
    const TextServices services = *TextServices::ForCodePage(1252);
    std::mt19937 random(5);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text(random() % 40, u'\0');
        // Mostly Latin-1 and the 0x80-0x9F row, some units anywhere, surrogates included.
        for (char16_t& unit : text)
            unit = static_cast<char16_t>(random() % 4 == 0 ? random() : random() % 0x180);
        const auto expected = ClosedForm(services.LowerCase(text), services);
        ASSERT_EQ(static_cast<std::uint32_t>(WorkOutIdNumber(text, services)), expected);
    }
}

TEST(WorkOutIdNumber, NegativeCodesEnterWithTheirSign) {
    // A double-byte code with the lead byte's top bit set is a negative number.
    const auto japanese = TextServices::ForCodePage(932);
    ASSERT_TRUE(japanese.has_value());
    const std::int32_t code = japanese->AnsiCode(u'\u3042');  // HIRAGANA LETTER A, 0x82A0
    EXPECT_EQ(code, static_cast<std::int16_t>(0x82A0));
    EXPECT_EQ(WorkOutIdNumber(u"\u3042", *japanese), code);
    EXPECT_EQ(UnsignedText(WorkOutIdNumber(u"\u3042", *japanese)), std::to_string(0x1'0000'0000 - 0x7D60));
}

TEST(WorkOutIdNumber, FoldsEachHalfOfASurrogatePair) {
    const TextServices services = *TextServices::ForCodePage(1252);
    // U+1F600 is two units; neither half is spelled by code page 1252.
    EXPECT_EQ(IdText(u"\U0001F600"), UnsignedText(101 * 63 + 63));
    EXPECT_EQ(WorkOutIdNumber(u"a\U0001F600", services), WorkOutIdNumber(u"a??", services));
}

}  // namespace
}  // namespace pelvaro
