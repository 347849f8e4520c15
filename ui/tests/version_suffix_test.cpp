// VersionSuffix: the title's " - major.minor.revision" from a VS_VERSIONINFO
// block, and nothing at all from a block it cannot trust.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "form1.h"

namespace pelvaro {
namespace {

// A VS_VERSIONINFO block as a resource compiler lays it out: header, key,
// padding to 32 bits, the fixed file information, then (here) no children.
std::vector<unsigned char> VersionBlock(WORD major, WORD minor, WORD build, WORD revision) {
    static constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
    std::vector<unsigned char> block(40 + sizeof(VS_FIXEDFILEINFO), 0);
    const WORD header[3] = {static_cast<WORD>(block.size()), sizeof(VS_FIXEDFILEINFO), 0};
    std::memcpy(block.data(), header, sizeof header);
    std::memcpy(block.data() + 6, kKey, sizeof kKey);
    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = static_cast<DWORD>(major) << 16 | minor;
    fixed.dwFileVersionLS = static_cast<DWORD>(build) << 16 | revision;
    std::memcpy(block.data() + 40, &fixed, sizeof fixed);
    return block;
}

std::string Suffix(const std::vector<unsigned char>& block) {
    const std::wstring suffix = VersionSuffix(block.data(), block.size());
    return std::string(suffix.begin(), suffix.end());
}

TEST(VersionSuffix, FirstSecondAndFourthFieldsOfTheFileVersion) {
    EXPECT_EQ(Suffix(VersionBlock(1, 0, 0, 1)), " - 1.0.1") << "file version 1.0.0.1";
    EXPECT_EQ(Suffix(VersionBlock(2, 3, 4, 5)), " - 2.3.5") << "file version 2.3.4.5";
    EXPECT_EQ(Suffix(VersionBlock(65535, 65535, 0, 65535)), " - 65535.65535.65535")
        << "the largest fields, no sign, no grouping";
    EXPECT_EQ(Suffix(VersionBlock(10, 0, 7, 100)), " - 10.0.100") << "no leading zeros";
}

TEST(VersionSuffix, RunningProgramsOwnBlock) {
    // This test program has no version resource: the same lookup Form1_Load
    // makes finds nothing, and the title would stay as it is.
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
    EXPECT_EQ(VersionSuffix(nullptr, 0), L"");
}

TEST(VersionSuffix, NothingFromABlockItCannotTrust) {
    const std::vector<unsigned char> good = VersionBlock(1, 0, 0, 1);

    for (std::size_t size = 0; size < good.size(); ++size) {
        EXPECT_EQ(VersionSuffix(good.data(), size), L"") << "cut short to " << size << " bytes";
    }

    std::vector<unsigned char> wrongSignature = good;
    wrongSignature[40] ^= 0xFF;
    EXPECT_EQ(Suffix(wrongSignature), "") << "signature other than 0xFEEF04BD";

    std::vector<unsigned char> wrongKey = good;
    wrongKey[6] = 'X';
    EXPECT_EQ(Suffix(wrongKey), "") << "key other than VS_VERSION_INFO";

    std::vector<unsigned char> noValue = good;
    noValue[2] = 0;
    noValue[3] = 0;
    EXPECT_EQ(Suffix(noValue), "") << "no fixed file information";

    std::vector<unsigned char> shortLength = good;
    shortLength[0] = 40;
    shortLength[1] = 0;
    EXPECT_EQ(Suffix(shortLength), "") << "the block's own length ends before the fixed information";
}

}  // namespace
}  // namespace pelvaro
