// The compact form of a carried table (tools/windows_tables.py writes it): the
// units whose value is not the default, in rising order, as records of LEB128
// numbers: head = (more << 1) | gapped, then the gap when gapped, then the
// value's zigzagged difference from its guess, and `more` units after it
// whose values count up by one. The guess is the last value moved on as far
// as the unit has, so a run of units with one offset (A-Z to a-z) or with
// consecutive codes costs one record. Values wrap modulo 2^16.
#include "carried_tables.h"

#include <cstddef>
#include <cstdint>

namespace pelvaro {
namespace {

constexpr std::uint32_t kUnits = 0x10000;

// Reads LEB128 numbers from a table's data, none past 2^28 - 1: no gap, run
// or difference in a table of 2^16 units is larger, so four bytes suffice.
class NumberReader {
public:
    NumberReader(const unsigned char* data, std::size_t size) : at_(data), end_(data + size) {}

    bool AtEnd() const { return at_ == end_; }

    bool Next(std::uint32_t& number) {
        number = 0;
        for (int shift = 0; shift < 28; shift += 7) {
            if (at_ == end_) return false;
            const std::uint32_t byte = *at_++;
            number |= (byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) return true;
        }
        return false;
    }

private:
    const unsigned char* at_;
    const unsigned char* end_;
};

}  // namespace

const CarriedTable* FindCarriedTable(unsigned tag) {
    for (std::size_t i = 0; i < kCarriedTableCount; ++i)
        if (kCarriedTables[i].tag == tag) return &kCarriedTables[i];
    return nullptr;
}

bool DecodeCarriedTable(const unsigned char* data, std::size_t size, std::uint16_t* values) {
    NumberReader reader(data, size);
    // The unit and value before the first: -1 and 0xFFFF, kept as next ones.
    std::uint32_t nextUnit = 0;
    std::uint32_t nextValue = 0;
    while (!reader.AtEnd()) {
        std::uint32_t head = 0;
        std::uint32_t gap = 0;
        std::uint32_t difference = 0;
        if (!reader.Next(head) || ((head & 1) != 0 && !reader.Next(gap)) || !reader.Next(difference))
            return false;
        const std::uint32_t more = head >> 1;
        // Each term is below 2^28, so the sum stays far from 2^32.
        if (nextUnit + gap + more >= kUnits) return false;
        const std::uint32_t delta = (difference >> 1) ^ (0u - (difference & 1));  // zigzag undone
        std::uint32_t value = nextValue + gap + delta;
        for (std::uint32_t unit = nextUnit + gap; unit <= nextUnit + gap + more; ++unit)
            values[unit] = static_cast<std::uint16_t>(value++);
        nextUnit += gap + more + 1;
        nextValue = value;
    }
    return true;
}

}  // namespace pelvaro
