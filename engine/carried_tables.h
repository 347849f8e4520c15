// The text services' tables as the stand-in carries them: the lower case of
// every 16-bit unit and the code of every unit in each code page, as Windows
// gives them, measured under Wine by tools/windows_tables.py into
// engine/tables/ and compiled in by embed_tables.cmake.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelvaro {

// One table's data in its compact form; tag 0 is the lower case, any other
// the code page whose codes it holds.
struct CarriedTable {
    unsigned tag;
    const unsigned char* data;
    std::size_t size;
};

// The tables this build carries (generated: carried_tables_data.cpp). The
// lower case and code page 1252 are always among them.
extern const CarriedTable kCarriedTables[];
extern const std::size_t kCarriedTableCount;

// The carried table with this tag, or null.
const CarriedTable* FindCarriedTable(unsigned tag);

// Decodes a table's compact form into values, which hold each unit's default
// already (the unit itself for the lower case, "?" for a code page) and get
// every value the data gives otherwise. False when the data is malformed:
// cut short, a number too long, or a unit beyond 0xFFFF.
bool DecodeCarriedTable(const unsigned char* data, std::size_t size, std::uint16_t* values);

}  // namespace pelvaro
