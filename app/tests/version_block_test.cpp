// The version block: resource 1 of type RT_VERSION in Spanish (Spain, modern
// sort), read back through VerQueryValueW and walked node by node for the
// order of its strings.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "resource_fixture.h"

namespace pelvaro::test {
namespace {

constexpr WORD kSpanishModern = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);

// The keys of the string table, in the order the block must hold them.
const std::vector<std::wstring> kStringKeys = {
    L"Comments",    L"CompanyName", L"FileDescription", L"LegalCopyright", L"LegalTrademarks",
    L"ProductName", L"FileVersion", L"ProductVersion",  L"InternalName",   L"OriginalFilename",
};

std::string Narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return result;
}

// One node of a version block: length, value length, type, key, value and
// children, each part aligned to 32 bits from the start of the block.
struct VersionNode {
    std::wstring key;
    std::uint16_t type = 0;
    std::wstring text;  // the value of a text node
    std::vector<VersionNode> children;
};

class VersionBlockReader {
public:
    explicit VersionBlockReader(const std::vector<std::uint8_t>& block) : block_(block) {}

    VersionNode Read(std::size_t offset, std::size_t limit) const {
        VersionNode node;
        const std::size_t length = U16(offset);
        const std::size_t valueLength = U16(offset + 2);
        node.type = U16(offset + 4);
        const std::size_t end = offset + length;
        if (length < 6 || end > limit) throw std::runtime_error("version node runs past its parent");
        std::size_t at = offset + 6;
        for (; U16(at) != 0; at += 2) node.key.push_back(static_cast<wchar_t>(U16(at)));
        at = Align(at + 2);
        const std::size_t valueBytes = node.type == 1 ? valueLength * 2 : valueLength;
        if (node.type == 1) {
            for (std::size_t i = at; i + 2 <= at + valueBytes && U16(i) != 0; i += 2) {
                node.text.push_back(static_cast<wchar_t>(U16(i)));
            }
        }
        for (at = Align(at + valueBytes); at < end; at = Align(at)) {
            node.children.push_back(Read(at, end));
            at += U16(at);
        }
        return node;
    }

private:
    static std::size_t Align(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

    std::uint16_t U16(std::size_t offset) const {
        if (offset + 2 > block_.size()) throw std::runtime_error("read past the end of the version block");
        return static_cast<std::uint16_t>(block_[offset] | block_[offset + 1] << 8);
    }

    const std::vector<std::uint8_t>& block_;
};

class VersionBlock : public ExecutableResources {
protected:
    void SetUp() override {
        ExecutableResources::SetUp();
        if (HasFatalFailure()) return;
        Resource resource = LoadResourceBytes(module(), IntResource(16), IntResource(1));
        ASSERT_TRUE(resource.found) << "expected a version resource (type 16) with id 1";
        // VerQueryValueW works on a copy of the block, never on the loaded
        // resource itself.
        copy_ = std::move(resource.bytes);
    }

    // VerQueryValueW of `path`; fails the test when it finds nothing.
    std::pair<const void*, UINT> Query(const std::wstring& path) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(copy_.data(), path.c_str(), &value, &length)) return {nullptr, 0};
        return {value, length};
    }

    std::vector<std::uint8_t> copy_;
};

TEST_P(VersionBlock, IsTheOnlyVersionResourceAndIsSpanish) {
    EXPECT_EQ(ResourceIds(module(), IntResource(16)), std::vector<long>{1})
        << "expected exactly one version resource, id 1";
    EXPECT_EQ(ResourceLanguages(module(), IntResource(16), IntResource(1)), std::vector<WORD>{kSpanishModern})
        << "expected the version block in language 0x0C0A only";
    EXPECT_NE(FindResourceExW(module(), IntResource(16), IntResource(1), kSpanishModern), nullptr)
        << "expected FindResourceExW to find the version block under language 0x0C0A";
}

TEST_P(VersionBlock, FixedPartStatesVersion1_0_0_1OfAWindowsApplication) {
    const auto [value, length] = Query(L"\\");
    ASSERT_NE(value, nullptr) << "expected VerQueryValueW to find the fixed part";
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO)) << "expected a whole VS_FIXEDFILEINFO";
    const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu) << "expected the fixed part's signature";
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u) << "expected file version 1.0.x.x";
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u) << "expected file version x.x.0.1";
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u) << "expected product version 1.0.x.x";
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u) << "expected product version x.x.0.1";
    EXPECT_EQ(fixed.dwFileFlagsMask, static_cast<DWORD>(VS_FFI_FILEFLAGSMASK))
        << "expected the usual flags mask";
    EXPECT_EQ(fixed.dwFileFlags, 0u) << "expected no flags";
    EXPECT_EQ(fixed.dwFileOS, 4u) << "expected VOS__WINDOWS32";
    EXPECT_EQ(fixed.dwFileType, 1u) << "expected VFT_APP";
    EXPECT_EQ(fixed.dwFileSubtype, 0u) << "expected no subtype";
    EXPECT_EQ(fixed.dwFileDateMS, 0u) << "expected no file date";
    EXPECT_EQ(fixed.dwFileDateLS, 0u) << "expected no file date";

    // The window title shows the first, second and fourth fields.
    const std::wstring shown = std::to_wstring(HIWORD(fixed.dwFileVersionMS)) + L"." +
                               std::to_wstring(LOWORD(fixed.dwFileVersionMS)) + L"." +
                               std::to_wstring(LOWORD(fixed.dwFileVersionLS));
    EXPECT_EQ(Narrow(shown), "1.0.1") << "expected the title's numbers major 1, minor 0, revision 1";
}

TEST_P(VersionBlock, TranslationPairsSpanishWithUnicode) {
    const auto [value, length] = Query(L"\\VarFileInfo\\Translation");
    ASSERT_NE(value, nullptr) << "expected VerQueryValueW to find \\VarFileInfo\\Translation";
    ASSERT_EQ(length, 4u) << "expected exactly one language/code page pair";
    const auto* pair = static_cast<const WORD*>(value);
    EXPECT_EQ(pair[0], 0x0C0A) << "expected language 0x0C0A";
    EXPECT_EQ(pair[1], 1200) << "expected code page 1200 (Unicode)";
}

// The strings as Explorer's details show them: each agrees with the file it
// describes, with the fixed part's version and with the other strings.
TEST_P(VersionBlock, StringsAgreeWithTheFileAndTheFixedPart) {
    std::map<std::wstring, std::wstring> strings;
    for (const std::wstring& key : kStringKeys) {
        const auto [value, length] = Query(L"\\StringFileInfo\\0C0A04B0\\" + key);
        if (value == nullptr) {
            ADD_FAILURE() << "expected the string " << Narrow(key) << " in table 0C0A04B0";
            continue;
        }
        const std::wstring text(static_cast<const wchar_t*>(value));
        EXPECT_FALSE(text.empty()) << "string " << Narrow(key);
        EXPECT_LE(length, text.size() + 1) << "expected nothing after the text of " << Narrow(key);
        strings[key] = text;
    }
    const auto [fixedValue, fixedLength] = Query(L"\\");
    ASSERT_EQ(fixedLength, sizeof(VS_FIXEDFILEINFO)) << "expected a whole VS_FIXEDFILEINFO";
    const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(fixedValue);
    wchar_t version[32];
    wsprintfW(version, L"%u.%02u.%04u", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
              LOWORD(fixed.dwFileVersionLS));
    EXPECT_EQ(Narrow(strings[L"FileVersion"]), Narrow(version)) << "the fixed part's major.minor.revision";
    EXPECT_EQ(Narrow(strings[L"ProductVersion"]), Narrow(version));

    const std::string path = GetParam().path;
    const std::string file = path.substr(path.find_last_of("/\\") + 1);
    EXPECT_EQ(Narrow(strings[L"OriginalFilename"]), file) << "the name the build gives the file";
    EXPECT_EQ(Narrow(strings[L"InternalName"]), file.substr(0, file.size() - 4)) << "the name without .exe";
    EXPECT_EQ(strings[L"ProductName"], strings[L"InternalName"]);
    EXPECT_EQ(strings[L"LegalTrademarks"], strings[L"ProductName"]) << "the product's name is the trademark";
    EXPECT_NE(strings[L"LegalCopyright"].find(strings[L"CompanyName"]), std::wstring::npos)
        << "the copyright names the maker";
    EXPECT_EQ(Narrow(strings[L"Comments"]), "Works out your " + Narrow(strings[L"FileDescription"]))
        << "the comment says what the program does with what the description names";
}

TEST_P(VersionBlock, HoldsOneStringTableWithTheTenStringsInOrder) {
    const VersionNode root = VersionBlockReader(copy_).Read(0, copy_.size());
    EXPECT_EQ(Narrow(root.key), "VS_VERSION_INFO");

    std::vector<std::string> sections;
    const VersionNode* strings = nullptr;
    for (const VersionNode& child : root.children) {
        sections.push_back(Narrow(child.key));
        if (child.key == L"StringFileInfo") strings = &child;
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"StringFileInfo", "VarFileInfo"}))
        << "expected the string table, then the translation";
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u) << "expected exactly one string table";
    const VersionNode& table = strings->children.front();
    EXPECT_EQ(Narrow(table.key), "0C0A04B0") << "expected the table of language 0x0C0A, code page 1200";

    std::vector<std::string> keys;
    std::vector<std::string> expectedKeys;
    for (const VersionNode& entry : table.children) {
        keys.push_back(Narrow(entry.key));
        EXPECT_EQ(entry.type, 1) << "expected " << Narrow(entry.key) << " to be stored as text";
    }
    for (const std::wstring& key : kStringKeys) expectedKeys.push_back(Narrow(key));
    EXPECT_EQ(keys, expectedKeys) << "expected these ten strings, in this order, and no others";
}

INSTANTIATE_TEST_SUITE_P(Pelvaro, VersionBlock, ::testing::ValuesIn(PelvaroExecutables()), ExecutableLabel);

}  // namespace
}  // namespace pelvaro::test
