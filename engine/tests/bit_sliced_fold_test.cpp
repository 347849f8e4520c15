// WorkOutIdNumbers, on the texts' lowered codes, against WorkOutIdNumber,
// text by text: random and adversarial batches in every code page, on every
// width of word that runs here, each forced in turn.
#include "pelvaro/bit_sliced_fold.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"

namespace pelvaro {
namespace {

class OnEveryWidth : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        if (const char* missing = SliceWidthMissing(Bits()))
            GTEST_SKIP() << Bits() << "-bit words: " << missing;
    }

    unsigned Bits() const { return GetParam(); }

    // Checks every text's number against the one-line engine's, and that
    // nothing is written beyond the last.
    void ExpectEngineNumbers(const std::vector<std::u16string>& texts, const TextServices& services) const {
        const LoweredCodes lowered(services);
        std::vector<std::vector<std::uint16_t>> codes(texts.size());
        std::vector<CodedText> coded;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            for (const char16_t unit : texts[i]) codes[i].push_back(lowered[unit]);
            coded.push_back({codes[i].data(), codes[i].size()});
        }
        std::vector<std::int32_t> numbers(texts.size() + 1, 0x5EED);
        ASSERT_TRUE(WorkOutIdNumbers(Bits(), coded.data(), coded.size(), numbers.data()));
        for (std::size_t i = 0; i < texts.size(); ++i)
            ASSERT_EQ(numbers[i], WorkOutIdNumber(texts[i], services))
                << "text " << i << " of " << texts.size();
        EXPECT_EQ(numbers.back(), 0x5EED) << "written beyond the last text";
    }
};

// Random batches of every size around a word's lanes, in every code page:
// texts of addresses' characters, upper case among them, or one time in four
// of any units (double-byte codes, lone halves of pairs, U+FFFF), of mixed
// lengths.
TEST_P(OnEveryWidth, RandomTextsAgreeWithTheOneLineFold) {
    const std::u16string common = u"abcxyzABCXYZ019.@_-+ \u00C9\u00E9\u00FF\u20AC";
    std::mt19937 random(Bits());
    for (const unsigned codePage : kChoosableCodePages) {
        const std::size_t lanes = Bits();
        for (const std::size_t count :
             {std::size_t{0}, std::size_t{1}, lanes - 1, lanes + 1, 2 * lanes + 3}) {
            std::vector<std::u16string> texts(count);
            for (std::u16string& text : texts) {
                const bool anyUnits = random() % 4 == 0;
                text.resize(random() % 8 == 0 ? random() % 300 : random() % 40);
                for (char16_t& unit : text)
                    unit = anyUnits ? static_cast<char16_t>(random()) : common[random() % common.size()];
            }
            ExpectEngineNumbers(texts, *TextServices::ForCodePage(codePage));
        }
    }
}

// Every length around the positions a square packs, one long text among
// empty lanes in the first and in the last of a word's lanes, and the
// negative codes.
TEST_P(OnEveryWidth, AdversarialTextsAgreeWithTheOneLineFold) {
    std::vector<std::u16string> lengths;
    for (std::size_t length = 0; length < 70; ++length) lengths.push_back(std::u16string(length, u'Z'));
    ExpectEngineNumbers(lengths, *TextServices::ForCodePage(1252));
    std::vector<std::u16string> uneven(Bits());
    uneven.front() = u"a";
    uneven.back() = std::u16string(5000, u'\uFFFF');
    uneven[Bits() / 2 + 5] =
        u"\u3042\u30A2\u4E00\uFF71";  // double-byte codes with the top bit set, and a single byte
    ExpectEngineNumbers(uneven, *TextServices::ForCodePage(932));
}

INSTANTIATE_TEST_SUITE_P(WorkOutIdNumbers, OnEveryWidth, ::testing::ValuesIn(kSliceWidths),
                         [](const ::testing::TestParamInfo<unsigned>& width) {
                             return std::to_string(width.param) + "Bits";
                         });

// The plain integers of the build always run, and so does the widest; a
// width that is none of the fold's is refused without a number written.
TEST(WorkOutIdNumbers, RunsOnlyTheWidthsThatRunHere) {
    EXPECT_TRUE(SliceWidthRuns(32));
    EXPECT_EQ(SliceWidthRuns(64), sizeof(void*) >= 8);
    EXPECT_TRUE(SliceWidthRuns(WidestSliceWidth()));
    for (const unsigned bits : kSliceWidths) {
        EXPECT_EQ(SliceWidthMissing(bits) == nullptr, SliceWidthRuns(bits)) << bits;
        if (SliceWidthRuns(bits)) {
            EXPECT_GE(WidestSliceWidth(), bits);
        }
    }
    const std::uint16_t codes[] = {97, 98, 99};
    const CodedText text = {codes, 3};
    std::int32_t number = 0x5EED;
    EXPECT_FALSE(WorkOutIdNumbers(96, &text, 1, &number));
    EXPECT_EQ(number, 0x5EED);
}

}  // namespace
}  // namespace pelvaro
