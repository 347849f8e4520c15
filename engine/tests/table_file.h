// The text services' tables of one platform written to a file, so that the
// stand-in's can be read and checked against Windows' own on Windows.
//
// The file is a row of blocks, each a 32-bit tag and the 65,536 16-bit values
// of one table by unit, all little-endian: tag 0 holds the lower case of every
// unit, then one block a code page, tagged with its number, holds the code of
// every unit, in the order of kChoosableCodePages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelvaro {

struct UnitTable {
    std::uint32_t tag;                  // 0 for the lower case, else the code page
    std::vector<std::uint16_t> values;  // by unit; a code as its 16 bits
};

// This platform's tables: the lower case, then each choosable code page's
// codes. Empty when a code page cannot be converted to.
std::vector<UnitTable> PlatformTables();

bool WriteTables(const std::string& path, const std::vector<UnitTable>& tables);

// Nothing when the file cannot be read or is not a whole row of blocks.
std::optional<std::vector<UnitTable>> ReadTables(const std::string& path);

}  // namespace pelvaro
