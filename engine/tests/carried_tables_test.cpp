// The carried tables' compact form as the engine reads it: records made by
// hand, data that must be refused, and the tables this build carries.
#include "carried_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro {
namespace {

using Bytes = std::vector<unsigned char>;
using Values = std::array<std::uint16_t, 0x10000>;

Values Identity() {
    Values values{};
    for (std::size_t unit = 0; unit < values.size(); ++unit) values[unit] = static_cast<std::uint16_t>(unit);
    return values;
}

bool Decode(const Bytes& data, Values& values) {
    return DecodeCarriedTable(data.data(), data.size(), values.data());
}

TEST(CarriedTables, RecordsGiveTheirUnitsAndNothingElse) {
    // A-Z to a-z: head 25 more, gapped; gap 0x41; the guess is 0x41, the value
    // 0x61, so the difference is 0x20, zigzagged 0x40.
    // Then U+0100 to U+0101 after a gap of 0xA5 units: the guess is
    // 0x7B + 0xA5 = 0x120, the value 0x101, a difference of -0x1F, zigzagged
    // 0x3D. Then U+0102 to U+0103 with no gap but a unit skipped: head 1, gap 1
    // gives the right guess, a difference of 0.
    const Bytes data = {0x33, 0x41, 0x40, 0x01, 0xA5, 0x01, 0x3D, 0x01, 0x01, 0x00};
    Values values = Identity();
    ASSERT_TRUE(Decode(data, values));
    Values expected = Identity();
    for (unsigned unit = 'A'; unit <= 'Z'; ++unit) expected[unit] = static_cast<std::uint16_t>(unit + 0x20);
    expected[0x100] = 0x101;
    expected[0x102] = 0x103;
    EXPECT_EQ(values, expected);
}

TEST(CarriedTables, ValuesWrapAroundSixteenBits) {
    // Unit 0 gets 0xFFFF (a difference of -1 from the guess 0), and the two
    // units after it count on through 0: 0x0000, 0x0001.
    const Bytes data = {0x04, 0x01};
    Values values{};
    ASSERT_TRUE(Decode(data, values));
    EXPECT_EQ(values[0], 0xFFFF);
    EXPECT_EQ(values[1], 0x0000);
    EXPECT_EQ(values[2], 0x0001);
}

TEST(CarriedTables, MalformedDataIsRefused) {
    const Bytes malformed[] = {
        {0x33, 0x41},                                // cut short before the difference
        {0x01},                                      // gapped, but no gap
        {0x80},                                      // a number cut short
        {0x80, 0x80, 0x80, 0x80, 0x01},              // a number of five bytes
        {0x01, 0x80, 0x80, 0x04, 0x00},              // a gap of 0x10000, past the last unit
        {0x80, 0x80, 0x08, 0x00},                    // a run of 0x10001 units
        {0x00, 0x00, 0x01, 0xFF, 0xFF, 0x03, 0x00},  // unit 0, then one 0x10000 units on
    };
    for (const Bytes& data : malformed) {
        Values values = Identity();
        EXPECT_FALSE(Decode(data, values)) << "data of " << data.size() << " bytes";
    }
}

TEST(CarriedTables, TheLastUnitIsInReach) {
    Values values{};
    ASSERT_TRUE(Decode({0x01, 0xFF, 0xFF, 0x03, 0x00}, values));  // a gap of 0xFFFF: unit 0xFFFF
    EXPECT_EQ(values[0xFFFF], 0xFFFF);
    ASSERT_TRUE(Decode({0xFE, 0xFF, 0x07, 0x00}, values));  // a run over all 0x10000 units
    EXPECT_EQ(values, Identity());
}

TEST(CarriedTables, TheBuildCarriesTheLowerCaseAnd1252) {
    ASSERT_NE(FindCarriedTable(0), nullptr);
    ASSERT_NE(FindCarriedTable(1252), nullptr);
    for (std::size_t i = 0; i < kCarriedTableCount; ++i) {
        const CarriedTable& table = kCarriedTables[i];
        Values values = Identity();
        EXPECT_TRUE(DecodeCarriedTable(table.data, table.size, values.data())) << "table " << table.tag;
    }
}

// A code page given its data at run time is offered afterwards; bad data and
// pages that cannot be chosen are refused and change nothing.
TEST(CarriedTables, CodePageDataGivenAtRunTime) {
    const CarriedTable* carried = FindCarriedTable(1252);
    ASSERT_NE(carried, nullptr);
    EXPECT_FALSE(TextServices::AddCodePageData(437, carried->data, carried->size));
    EXPECT_FALSE(TextServices::ForCodePage(437).has_value());
    const unsigned char cutShort[] = {0x33, 0x41};
    EXPECT_FALSE(TextServices::AddCodePageData(1253, cutShort, sizeof cutShort));
    EXPECT_EQ(TextServices::ForCodePage(1253)->AnsiCode(u'\u03B1'), 0xE1);  // alpha, as carried

    // Code page 874 given 1252's codes: the euro sign is 0x80 in both, the
    // e acute only in 1252's.
    ASSERT_TRUE(TextServices::AddCodePageData(874, carried->data, carried->size));
    const auto replaced = TextServices::ForCodePage(874);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->AnsiCode(u'\u00E9'), 0xE9);
    EXPECT_EQ(UnsignedText(WorkOutIdNumber(u"h\u00E9llo", *replaced)),
              UnsignedText(WorkOutIdNumber(u"h\u00E9llo", TextServices::SystemAnsi())));
    const CarriedTable* thai = FindCarriedTable(874);
    if (thai != nullptr) {
        ASSERT_TRUE(TextServices::AddCodePageData(874, thai->data, thai->size));
        EXPECT_EQ(TextServices::ForCodePage(874)->AnsiCode(u'\u00E9'), 63);
    }
}

}  // namespace
}  // namespace pelvaro
