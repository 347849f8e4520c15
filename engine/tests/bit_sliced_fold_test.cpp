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

// Checks every text's number against the one-line engine's, with 32 and 64
// lanes, and that nothing is written beyond the last.
void ExpectEngineNumbers(const std::vector<std::u16string>& texts, const TextServices& services) {
    const std::vector<std::u16string_view> views(texts.begin(), texts.end());
    for (const bool wide : {false, true}) {
        std::vector<std::int32_t> numbers(texts.size() + 1, 0x5EED);
        if (wide)
            WorkOutIdNumbersIn<std::uint64_t>(views.data(), views.size(), numbers.data(), services);
        else
            WorkOutIdNumbersIn<std::uint32_t>(views.data(), views.size(), numbers.data(), services);
        for (std::size_t i = 0; i < texts.size(); ++i)
            ASSERT_EQ(numbers[i], WorkOutIdNumber(texts[i], services))
                << (wide ? 64 : 32) << " lanes, text " << i << " of " << texts.size();
        EXPECT_EQ(numbers.back(), 0x5EED) << "written beyond the last text";
    }
}

// Random batches of every size around a word's lanes, in every code page:
// texts of addresses' characters, upper case among them, or one time in four
// of any units (double-byte codes, lone halves of pairs, U+FFFF), of mixed
// lengths; then every length around the positions packed in a word, one long
// text among empty lanes, and the negative codes.
TEST(WorkOutIdNumbers, AgreesWithTheOneLineFold) {
    const std::u16string common = u"abcxyzABCXYZ019.@_-+ \u00C9\u00E9\u00FF\u20AC";
    std::mt19937 random(19);
    for (const unsigned codePage : kChoosableCodePages) {
        for (const std::size_t count : {0u, 1u, 2u, 31u, 32u, 33u, 63u, 64u, 65u, 200u}) {
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
    std::vector<std::u16string> lengths;
    for (std::size_t length = 0; length < 70; ++length) lengths.push_back(std::u16string(length, u'Z'));
    ExpectEngineNumbers(lengths, *TextServices::ForCodePage(1252));
    std::vector<std::u16string> uneven(64);
    uneven[37] = std::u16string(5000, u'\uFFFF');
    uneven[5] = u"\u3042\u30A2\u4E00\uFF71";  // double-byte codes with the top bit set, and a single byte
    ExpectEngineNumbers(uneven, *TextServices::ForCodePage(932));
}

}  // namespace
}  // namespace pelvaro
