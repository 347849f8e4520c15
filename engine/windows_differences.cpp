// The stand-in's corrections: runs of units whose lower case or code Windows
// gives otherwise than glibc, from the generated windows_differences.inc.
#include "windows_differences.h"

#include <cstdint>

#include "code_table.h"

namespace pelvaro {
namespace {

// Units first to first + count - 1 get value, value + step, value + 2 * step
// and so on: a private-use area maps onto a row of codes in one run. table is
// 0 for the lower case, else the code page.
struct Run {
    std::uint16_t table;
    std::uint16_t first;
    std::uint16_t count;
    std::uint16_t value;
    std::uint16_t step;
};

#include "windows_differences.inc"

// The value of unit first + i in its run, 16 bits wrapping.
std::uint16_t ValueAt(const Run& run, unsigned i) {
    return static_cast<std::uint16_t>(run.value + i * run.step);
}

}  // namespace

void CorrectLowerCase(char16_t* lower) {
    for (const Run& run : kRuns)
        if (run.table == 0)
            for (unsigned i = 0; i < run.count; ++i)
                lower[run.first + i] = static_cast<char16_t>(ValueAt(run, i));
}

void CorrectCodeTable(unsigned codePage, TextServices::Table& table) {
    for (const Run& run : kRuns)
        if (run.table == codePage)
            for (unsigned i = 0; i < run.count; ++i)
                table.code[run.first + i] = static_cast<std::int16_t>(ValueAt(run, i));
}

}  // namespace pelvaro
