// The stand-in's tables, written by the native build's pelvaro_table_dump,
// against this system's own text services: the lower case and the code of
// every unit in every choosable code page must agree.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "table_file.h"

namespace pelvaro {
namespace {

// Counts the units at which two of a table's values differ, and names the
// first few: the unit and the stand-in's value against the system's.
class Mismatches {
public:
    void Add(std::size_t unit, std::uint16_t standIn, std::uint16_t system) {
        if (standIn == system) return;
        if (++count_ <= 4)
            first_ << std::hex << std::uppercase << " U+" << unit << " " << standIn << " for " << system
                   << ";";
    }
    std::size_t Count() const { return count_; }
    std::string First() const { return first_.str(); }

private:
    std::size_t count_ = 0;
    std::ostringstream first_;
};

TEST(StandInTables, AgreeWithTheSystemOnEveryUnit) {
    const std::string path = PELVARO_STAND_IN_TABLES;
    if (path.empty())
        GTEST_SKIP() << "no stand-in tables: configure with -DPELVARO_STAND_IN_TABLES=<the linux build's "
                        "engine/tests/stand-in-tables.bin>";
    if (!std::ifstream(path))
        GTEST_SKIP() << "no stand-in tables at " << path
                     << ": build the linux build's pelvaro_stand_in_tables target first";
    const auto standIn = ReadTables(path);
    ASSERT_TRUE(standIn.has_value()) << path << " is not a file of tables as pelvaro_table_dump writes them";
    const std::vector<UnitTable> system = PlatformTables();
    ASSERT_FALSE(system.empty()) << "the system cannot convert to every choosable code page";
    ASSERT_EQ(standIn->size(), system.size()) << path;
    for (std::size_t i = 0; i < system.size(); ++i) ASSERT_EQ((*standIn)[i].tag, system[i].tag) << path;

    const std::vector<std::uint16_t>& lowerOfStandIn = (*standIn)[0].values;
    const std::vector<std::uint16_t>& lowerOfSystem = system[0].values;
    Mismatches lower;
    for (std::size_t unit = 0; unit < 0x10000; ++unit)
        lower.Add(unit, lowerOfStandIn[unit], lowerOfSystem[unit]);
    std::cout << "lower case: " << lower.Count() << " units differ\n";
    EXPECT_EQ(lower.Count(), 0u) << "lower case, stand-in for system (hex):" << lower.First();

    // Per code page: the codes themselves, and the codes of the lower-cased
    // units, which are what an id number folds.
    for (std::size_t i = 1; i < system.size(); ++i) {
        const std::vector<std::uint16_t>& ours = (*standIn)[i].values;
        const std::vector<std::uint16_t>& theirs = system[i].values;
        Mismatches codes;
        Mismatches folded;
        for (std::size_t unit = 0; unit < 0x10000; ++unit) {
            codes.Add(unit, ours[unit], theirs[unit]);
            folded.Add(unit, ours[lowerOfStandIn[unit]], theirs[lowerOfSystem[unit]]);
        }
        const std::string page = "code page " + std::to_string(system[i].tag);
        std::cout << page << ": " << codes.Count() << " codes differ, " << folded.Count()
                  << " after lower-casing\n";
        EXPECT_EQ(codes.Count(), 0u) << page << ", stand-in for system (hex):" << codes.First();
        EXPECT_EQ(folded.Count(), 0u)
            << page << " after lower-casing, stand-in for system (hex):" << folded.First();
    }
}

}  // namespace
}  // namespace pelvaro
