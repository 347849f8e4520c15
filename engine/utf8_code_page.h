// Code page 65001, UTF-8, as Windows gives its codes when it is the system's
// ANSI code page: the same on every platform, worked out rather than asked.
#pragma once

#include <cstdint>
#include <memory>

#include "pelvaro/text_services.h"

namespace pelvaro {

inline constexpr unsigned kUtf8CodePage = 65001;

// The code Windows gives a unit in UTF-8 when asked for at most two bytes: a
// unit of one UTF-8 byte (U+0000 to U+007F) gets that byte; one of two bytes
// (U+0080 to U+07FF) gets both read as one signed 16-bit value, lead byte
// high; one of three (U+0800 and up, and a lone half of a surrogate pair,
// which Windows turns into U+FFFD) does not fit and gets "?", 63. A character
// of four UTF-8 bytes is two units, each a lone half: "?" each.
std::int16_t Utf8CodePageCode(char16_t unit);

// The table of every unit's code in code page 65001.
std::shared_ptr<const TextServices::Table> MakeUtf8CodeTable();

}  // namespace pelvaro
