// Reading a Windows executable's headers and import table straight from its
// file, for 32-bit (PE32) and 64-bit (PE32+) images alike, without asking the
// loader (which cannot map a 32-bit image into a 64-bit process).
#ifndef PELVARO_APP_TESTS_PE_IMAGE_H
#define PELVARO_APP_TESTS_PE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelvaro::test {

// One imported function: the DLL's name as the image writes it, and the
// function's name, or its ordinal when it is imported by number.
struct Import {
    std::string dll;
    std::string function;  // empty when imported by ordinal
    std::uint32_t ordinal = 0;
};

class PeImage {
public:
    // Parses the headers; throws std::runtime_error on a malformed image.
    explicit PeImage(std::vector<std::uint8_t> bytes);

    std::uint16_t machine() const { return machine_; }
    std::uint32_t timeDateStamp() const { return timeDateStamp_; }
    bool isPe32Plus() const { return pe32Plus_; }
    std::uint16_t subsystem() const { return U16(optional_ + 68); }
    std::uint16_t majorOperatingSystemVersion() const { return U16(optional_ + 40); }
    std::uint16_t minorOperatingSystemVersion() const { return U16(optional_ + 42); }
    std::uint16_t majorSubsystemVersion() const { return U16(optional_ + 48); }
    std::uint16_t minorSubsystemVersion() const { return U16(optional_ + 50); }

    // Size of data directory `index` (0 when the image has no such entry).
    std::uint32_t directorySize(unsigned index) const;

    // Every function of the import directory, in the image's order.
    std::vector<Import> imports() const;

private:
    std::uint16_t U16(std::size_t offset) const;
    std::uint32_t U32(std::size_t offset) const;
    std::uint64_t U64(std::size_t offset) const;
    std::string CString(std::size_t offset) const;
    std::uint32_t directoryRva(unsigned index) const;
    std::size_t OffsetOfRva(std::uint32_t rva) const;

    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t rawSize;
        std::uint32_t rawOffset;
    };

    std::vector<std::uint8_t> bytes_;
    std::uint16_t machine_ = 0;
    std::uint32_t timeDateStamp_ = 0;
    bool pe32Plus_ = false;
    std::size_t optional_ = 0;
    std::size_t directories_ = 0;
    std::uint32_t directoryCount_ = 0;
    std::vector<Section> sections_;
};

// The whole file; throws std::runtime_error when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path);

}  // namespace pelvaro::test

#endif
