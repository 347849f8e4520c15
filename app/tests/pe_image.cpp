#include "pe_image.h"

#include <windows.h>

#include <stdexcept>
#include <utility>

namespace pelvaro::test {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr unsigned kImportDirectory = 1;
constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;

}  // namespace

PeImage::PeImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    if (U16(0) != 0x5A4D) throw std::runtime_error("no MZ signature at the start of the file");
    const std::size_t pe = U32(0x3C);
    if (U32(pe) != 0x00004550) throw std::runtime_error("no PE signature where e_lfanew points");
    const std::size_t fileHeader = pe + 4;
    machine_ = U16(fileHeader);
    const std::uint16_t sectionCount = U16(fileHeader + 2);
    timeDateStamp_ = U32(fileHeader + 4);
    const std::uint16_t optionalSize = U16(fileHeader + 16);
    optional_ = fileHeader + 20;

    const std::uint16_t magic = U16(optional_);
    if (magic == kPe32Magic) {
        pe32Plus_ = false;
        directoryCount_ = U32(optional_ + 92);
        directories_ = optional_ + 96;
    } else if (magic == kPe32PlusMagic) {
        pe32Plus_ = true;
        directoryCount_ = U32(optional_ + 108);
        directories_ = optional_ + 112;
    } else {
        throw std::runtime_error("unknown optional header magic " + std::to_string(magic));
    }

    const std::size_t sectionTable = optional_ + optionalSize;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t header = sectionTable + i * kSectionHeaderSize;
        sections_.push_back({U32(header + 12), U32(header + 8), U32(header + 16), U32(header + 20)});
    }
}

std::uint16_t PeImage::U16(std::size_t offset) const {
    if (offset + 2 > bytes_.size()) throw std::runtime_error("read past the end of the file");
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

std::uint32_t PeImage::U32(std::size_t offset) const {
    return U16(offset) | static_cast<std::uint32_t>(U16(offset + 2)) << 16;
}

std::uint64_t PeImage::U64(std::size_t offset) const {
    return U32(offset) | static_cast<std::uint64_t>(U32(offset + 4)) << 32;
}

std::string PeImage::CString(std::size_t offset) const {
    std::string text;
    for (;; ++offset) {
        if (offset >= bytes_.size()) throw std::runtime_error("unterminated name in the file");
        if (bytes_[offset] == 0) return text;
        text.push_back(static_cast<char>(bytes_[offset]));
    }
}

std::uint32_t PeImage::directoryRva(unsigned index) const {
    return index < directoryCount_ ? U32(directories_ + 8 * index) : 0;
}

std::uint32_t PeImage::directorySize(unsigned index) const {
    return index < directoryCount_ ? U32(directories_ + 8 * index + 4) : 0;
}

std::size_t PeImage::OffsetOfRva(std::uint32_t rva) const {
    for (const Section& section : sections_) {
        const std::uint32_t size = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
        if (rva >= section.virtualAddress && rva - section.virtualAddress < size) {
            const std::uint32_t within = rva - section.virtualAddress;
            if (within >= section.rawSize)
                throw std::runtime_error("address in a section's uninitialised tail");
            return std::size_t{section.rawOffset} + within;
        }
    }
    throw std::runtime_error("address " + std::to_string(rva) + " lies in no section");
}

std::vector<Import> PeImage::imports() const {
    std::vector<Import> result;
    if (directorySize(kImportDirectory) == 0) return result;
    const std::size_t thunkSize = pe32Plus_ ? 8 : 4;
    const std::uint64_t ordinalFlag = pe32Plus_ ? std::uint64_t{1} << 63 : std::uint64_t{1} << 31;
    for (std::size_t descriptor = OffsetOfRva(directoryRva(kImportDirectory));;
         descriptor += kImportDescriptorSize) {
        const std::uint32_t lookup = U32(descriptor);
        const std::uint32_t name = U32(descriptor + 12);
        const std::uint32_t address = U32(descriptor + 16);
        if (lookup == 0 && name == 0 && address == 0) break;
        const std::string dll = CString(OffsetOfRva(name));
        // The lookup table names the functions; some linkers leave it out and
        // only the address table (unbound, so equal to it on disk) remains.
        std::size_t thunk = OffsetOfRva(lookup != 0 ? lookup : address);
        for (;; thunk += thunkSize) {
            const std::uint64_t entry = pe32Plus_ ? U64(thunk) : U32(thunk);
            if (entry == 0) break;
            Import import;
            import.dll = dll;
            if ((entry & ordinalFlag) != 0) {
                import.ordinal = static_cast<std::uint32_t>(entry & 0xFFFF);
            } else {
                // IMAGE_IMPORT_BY_NAME: a 16-bit hint, then the name.
                import.function = CString(OffsetOfRva(static_cast<std::uint32_t>(entry & 0x7FFFFFFF)) + 2);
            }
            result.push_back(std::move(import));
        }
    }
    return result;
}

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open the file (error " + std::to_string(GetLastError()) + ")");
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got != 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    CloseHandle(file);
    if (!ok) throw std::runtime_error("cannot read the file");
    return bytes;
}

}  // namespace pelvaro::test
