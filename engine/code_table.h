// The code of every 16-bit unit in one code page, worked out once when the
// code page is first used, so that folding a long text costs a look-up a unit.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "pelvaro/text_services.h"

namespace pelvaro {

constexpr std::int16_t kQuestionMark = 63;  // the code of a unit a code page cannot spell

struct TextServices::Table {
    std::array<std::int16_t, 0x10000> code;  // by unit
};

// Whether a person may choose the code page: the single-byte ANSI pages, the
// double-byte ones, whose codes fit in 16 bits, and UTF-8 as Windows gives
// its codes when it is the system's ANSI code page.
bool IsChoosableCodePage(unsigned codePage);

// Each platform's own: the table of a code page, or null when the system
// cannot convert to it.
std::shared_ptr<const TextServices::Table> MakeCodeTable(unsigned codePage);

// Each platform's own: the lower case of every unit, 0x10000 of them, worked
// out on the first call. A surrogate is its own lower case.
const char16_t* LowerCaseTable();

}  // namespace pelvaro
