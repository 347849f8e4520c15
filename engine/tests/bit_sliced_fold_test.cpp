// WorkOutIdNumbers against WorkOutIdNumber, text by text: random and
// adversarial batches in every code page, with 32 and 64 lanes.
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

template <typename Word>
void ExpectEngineNumbersIn(const std::vector<std::u16string>& texts, const TextServices& services) {
    const std::vector<std::u16string_view> views(texts.begin(), texts.end());
    std::vector<std::int32_t> numbers(texts.size() + 1, 0x5EED);
    WorkOutIdNumbersIn<Word>(views.data(), views.size(), numbers.data(), services);
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(numbers[i], WorkOutIdNumber(texts[i], services))
            << sizeof(Word) * 8 << " lanes, text " << i << " of " << texts.size();
    EXPECT_EQ(numbers.back(), 0x5EED);  // nothing written beyond the last
}

// Checks every text's number against the one-line engine's, with 32 and 64
// lanes; returns how many texts.
std::size_t ExpectEngineNumbers(const std::vector<std::u16string>& texts, const TextServices& services) {
    ExpectEngineNumbersIn<std::uint32_t>(texts, services);
    ExpectEngineNumbersIn<std::uint64_t>(texts, services);
    return texts.size();
}

// A text of addresses' characters, upper case among them, or of any units
// (double-byte codes, lone halves of pairs, U+FFFF) one time in four.
std::u16string RandomText(std::mt19937& random, std::size_t length) {
    const std::u16string common = u"abcxyzABCXYZ019.@_-+ \u00C9\u00E9\u00FF\u20AC";
    std::u16string text(length, u'\0');
    const bool anyUnits = random() % 4 == 0;
    for (char16_t& unit : text)
        unit = anyUnits ? static_cast<char16_t>(random()) : common[random() % common.size()];
    return text;
}

TEST(WorkOutIdNumbers, RandomBatchesOfMixedLengthsInEveryCodePage) {
    std::mt19937 random(19);
    std::size_t compared = 0;
    for (const unsigned codePage : kChoosableCodePages) {
        const TextServices services = *TextServices::ForCodePage(codePage);
        for (const std::size_t count : {0u, 1u, 2u, 31u, 32u, 33u, 63u, 64u, 65u, 200u}) {
            std::vector<std::u16string> texts;
            for (std::size_t i = 0; i < count; ++i)
                texts.push_back(RandomText(random, random() % 8 == 0 ? random() % 300 : random() % 40));
            compared += ExpectEngineNumbers(texts, services);
        }
    }
    RecordProperty("texts", static_cast<int>(compared));  // each with 32 and 64 lanes
}

TEST(WorkOutIdNumbers, AdversarialBatches) {
    const TextServices latin = *TextServices::ForCodePage(1252);
    const TextServices japanese = *TextServices::ForCodePage(932);
    // Every length around the positions packed in a word, and lanes left empty.
    std::vector<std::u16string> lengths;
    for (std::size_t length = 0; length < 70; ++length) lengths.push_back(std::u16string(length, u'Z'));
    ExpectEngineNumbers(lengths, latin);
    // One long text among empty ones; the largest and the negative codes.
    std::vector<std::u16string> uneven(64);
    uneven[37] = std::u16string(5000, u'\uFFFF');
    uneven[5] = u"\u3042\u30A2\u4E00\uFF71";  // double-byte codes with the top bit set, and a single byte
    ExpectEngineNumbers(uneven, japanese);
    ExpectEngineNumbers(uneven, latin);
    ExpectEngineNumbers(std::vector<std::u16string>(65, u"hello@EXAMPLE.com"), latin);
}

}  // namespace
}  // namespace pelvaro
