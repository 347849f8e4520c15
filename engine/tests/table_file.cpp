#include "table_file.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pelvaro/text_services.h"

namespace pelvaro {
namespace {

constexpr std::size_t kUnits = 0x10000;
constexpr std::size_t kBlockBytes = 4 + 2 * kUnits;

}  // namespace

std::vector<UnitTable> PlatformTables() {
    std::vector<UnitTable> tables;
    // The lower case is the same in every code page.
    const TextServices system = TextServices::SystemAnsi();
    UnitTable lower{0, std::vector<std::uint16_t>(kUnits)};
    for (std::size_t unit = 0; unit < kUnits; ++unit) lower.values[unit] = system.LowerUnit(char16_t(unit));
    tables.push_back(std::move(lower));
    for (const unsigned codePage : kChoosableCodePages) {
        const auto services = TextServices::ForCodePage(codePage);
        if (!services) return {};
        UnitTable codes{codePage, std::vector<std::uint16_t>(kUnits)};
        for (std::size_t unit = 0; unit < kUnits; ++unit)
            codes.values[unit] = static_cast<std::uint16_t>(services->AnsiCode(char16_t(unit)));
        tables.push_back(std::move(codes));
    }
    return tables;
}

bool WriteTables(const std::string& path, const std::vector<UnitTable>& tables) {
    std::vector<char> bytes;
    bytes.reserve(tables.size() * kBlockBytes);
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    };
    for (const UnitTable& table : tables) {
        put(table.tag, 4);
        for (const std::uint16_t value : table.values) put(value, 2);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::optional<std::vector<UnitTable>> ReadTables(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    if (bytes.empty() || bytes.size() % kBlockBytes != 0) return std::nullopt;
    const auto get = [&bytes](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
        return value;
    };
    std::vector<UnitTable> tables;
    for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes) {
        UnitTable table{get(at, 4), std::vector<std::uint16_t>(kUnits)};
        for (std::size_t unit = 0; unit < kUnits; ++unit)
            table.values[unit] = static_cast<std::uint16_t>(get(at + 4 + 2 * unit, 2));
        tables.push_back(std::move(table));
    }
    return tables;
}

}  // namespace pelvaro
