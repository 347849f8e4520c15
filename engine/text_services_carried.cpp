// The stand-in text services, on every platform but Windows: the lower case
// and the codes that Windows gives, read from the tables the build carries
// (carried_tables.h), so that they are the same whatever the C library.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "carried_tables.h"
#include "code_table.h"
#include "pelvaro/text_services.h"
#include "utf8_code_page.h"

namespace pelvaro {
namespace {

constexpr unsigned kDefaultCodePage = 1252;
constexpr unsigned kLowerCaseTag = 0;

// Code pages given their data at run time, by AddCodePageData.
std::vector<std::pair<unsigned, std::shared_ptr<const TextServices::Table>>>& AddedTables() {
    static std::vector<std::pair<unsigned, std::shared_ptr<const TextServices::Table>>> added;
    return added;
}

// A code page's table from its data, or null when the data is malformed.
std::shared_ptr<const TextServices::Table> DecodeCodeTable(const unsigned char* data, std::size_t size) {
    auto table = std::make_shared<TextServices::Table>();
    table->code.fill(kQuestionMark);
    // A code is read and written as its 16 bits: int16_t and uint16_t may alias.
    if (!DecodeCarriedTable(data, size, reinterpret_cast<std::uint16_t*>(table->code.data()))) return nullptr;
    return table;
}

}  // namespace

std::shared_ptr<const TextServices::Table> MakeCodeTable(unsigned codePage) {
    if (codePage == kUtf8CodePage) return MakeUtf8CodeTable();
    for (const auto& [number, table] : AddedTables())
        if (number == codePage) return table;
    const CarriedTable* carried = codePage != kLowerCaseTag ? FindCarriedTable(codePage) : nullptr;
    return carried != nullptr ? DecodeCodeTable(carried->data, carried->size) : nullptr;
}

const char16_t* LowerCaseTable() {
    // On the heap: at 128 KB each, the tables would overflow a small stack
    // (WebAssembly's is 64 KB).
    static const std::unique_ptr<const char16_t[]> table = [] {
        const auto lower = std::make_unique<std::uint16_t[]>(0x10000);
        for (std::size_t unit = 0; unit < 0x10000; ++unit) lower[unit] = static_cast<std::uint16_t>(unit);
        const CarriedTable* carried = FindCarriedTable(kLowerCaseTag);
        if (carried == nullptr || !DecodeCarriedTable(carried->data, carried->size, lower.get()))
            throw std::logic_error("the carried lower case is missing or damaged");
        auto units = std::make_unique<char16_t[]>(0x10000);
        for (std::size_t unit = 0; unit < 0x10000; ++unit) units[unit] = lower[unit];
        return units;
    }();
    return table.get();
}

TextServices TextServices::SystemAnsi() {
    static const std::shared_ptr<const Table> table = MakeCodeTable(kDefaultCodePage);
    if (!table) throw std::logic_error("the carried code page 1252 is missing or damaged");
    return TextServices(kDefaultCodePage, table);
}

bool TextServices::AddCodePageData(unsigned codePage, const unsigned char* data, std::size_t size) {
    if (!IsChoosableCodePage(codePage)) return false;
    auto table = DecodeCodeTable(data, size);
    if (!table) return false;
    for (auto& [number, added] : AddedTables())
        if (number == codePage) {
            added = std::move(table);
            return true;
        }
    AddedTables().emplace_back(codePage, std::move(table));
    return true;
}

}  // namespace pelvaro
