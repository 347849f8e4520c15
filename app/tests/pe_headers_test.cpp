// The executables' PE headers and imports, read from their files.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pe_image.h"
#include "resource_fixture.h"

namespace pelvaro::test {
namespace {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kSubsystemGui = 2;
constexpr unsigned kDelayImportDirectory = 13;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "dll!function", the DLL in lower case (Windows ignores its case), or
// "dll!#ordinal" for an import by number.
std::string Describe(const Import& import) {
    return Lower(import.dll) + "!" +
           (import.function.empty() ? "#" + std::to_string(import.ordinal) : import.function);
}

// The DLLs every Windows system has, which a statically linked program may
// import.
bool IsSystemDll(const std::string& dll) {
    static const std::set<std::string> system = {"kernel32.dll", "user32.dll",  "gdi32.dll", "msvcrt.dll",
                                                 "advapi32.dll", "shell32.dll", "ole32.dll", "version.dll"};
    return system.count(Lower(dll)) != 0;
}

std::vector<std::string> ForeignDlls(const std::vector<Import>& imports) {
    std::set<std::string> foreign;
    for (const Import& import : imports) {
        if (!IsSystemDll(import.dll)) foreign.insert(Lower(import.dll));
    }
    return {foreign.begin(), foreign.end()};
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

class ExecutableFile : public ::testing::TestWithParam<Executable> {
protected:
    void SetUp() override {
        if (GetParam().optional && !FileExists(GetParam().path)) {
            GTEST_SKIP() << GetParam().path << " was not built";
        }
        ASSERT_TRUE(FileExists(GetParam().path)) << "expected the executable " << GetParam().path;
        image_ = std::make_unique<PeImage>(ReadWholeFile(WindowsPath(GetParam().path)));
    }

    const PeImage& image() const { return *image_; }

private:
    std::unique_ptr<PeImage> image_;
};

// Pelvaro.exe of each build.
class PelvaroHeaders : public ExecutableFile {};

TEST_P(PelvaroHeaders, MachineMatchesTheBuild) {
    if (GetParam().bits == 64) {
        EXPECT_EQ(image().machine(), kMachineAmd64) << "expected an AMD64 image";
        EXPECT_TRUE(image().isPe32Plus()) << "expected a PE32+ optional header";
    } else {
        EXPECT_EQ(image().machine(), kMachineI386) << "expected an i386 image";
        EXPECT_FALSE(image().isPe32Plus()) << "expected a PE32 optional header";
    }
}

TEST_P(PelvaroHeaders, IsAWindowedProgram) {
    EXPECT_EQ(image().subsystem(), kSubsystemGui) << "expected the Windows GUI subsystem (2)";
}

TEST_P(PelvaroHeaders, CarriesNoTimeStamp) {
    EXPECT_EQ(image().timeDateStamp(), 0u) << "expected TimeDateStamp 0, so that a build is reproducible";
}

TEST_P(PelvaroHeaders, ImportsOnlyTheSystemsOwnDlls) {
    const std::vector<Import> imports = image().imports();
    EXPECT_EQ(ForeignDlls(imports), std::vector<std::string>{})
        << "expected no DLL beyond the system's own: the C++ runtime is linked in, and the common "
           "controls are looked up by name at run time";
}

INSTANTIATE_TEST_SUITE_P(Pelvaro, PelvaroHeaders, ::testing::ValuesIn(PelvaroExecutables()), ExecutableLabel);

// The import reader itself: every function it finds in this build's
// Pelvaro.exe must be one that this system's DLLs export under that name.
TEST(ImportReader, FindsFunctionsTheSystemExports) {
    const Executable executable = PelvaroExecutables().front();
    ASSERT_EQ(executable.bits, static_cast<int>(8 * sizeof(void*)));
    const PeImage image(ReadWholeFile(WindowsPath(executable.path)));
    const std::vector<Import> imports = image.imports();
    ASSERT_FALSE(imports.empty()) << "expected " << executable.path << " to import something";
    bool kernel32 = false;
    for (const Import& import : imports) {
        kernel32 = kernel32 || Lower(import.dll) == "kernel32.dll";
        const HMODULE dll = LoadLibraryA(import.dll.c_str());
        ASSERT_NE(dll, nullptr) << "expected to load " << import.dll;
        if (import.function.empty()) {
            ADD_FAILURE() << "unexpected import by ordinal: " << Describe(import);
        } else {
            EXPECT_NE(GetProcAddress(dll, import.function.c_str()), nullptr)
                << "expected " << Describe(import) << " to exist";
        }
        FreeLibrary(dll);
    }
    EXPECT_TRUE(kernel32) << "expected imports from kernel32.dll";
}

// The 32-bit executables, which must run on Windows 2000 and every Windows
// since.
class Win2000Executable : public ExecutableFile {
protected:
    // The functions of win2000-imports.txt: "dll!function" lines, '#' comments.
    static std::set<std::string> ListedImports() {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(WindowsPath(Win2000ImportListPath()));
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        std::set<std::string> listed;
        std::string line;
        while (std::getline(in, line)) {
            line.erase(std::find(line.begin(), line.end(), '#'), line.end());
            while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
            line.erase(0, line.find_first_not_of(" \t"));
            if (line.empty()) continue;
            const std::size_t bang = line.find('!');
            listed.insert(bang == std::string::npos ? line : Lower(line.substr(0, bang)) + line.substr(bang));
        }
        return listed;
    }
};

TEST_P(Win2000Executable, IsA32BitImage) {
    EXPECT_EQ(image().machine(), kMachineI386) << "expected an i386 image";
    EXPECT_FALSE(image().isPe32Plus()) << "expected a PE32 optional header";
}

// Windows 2000 refuses an image that asks for a later version than 5.0.
TEST_P(Win2000Executable, AsksForWindows2000) {
    EXPECT_EQ(image().majorOperatingSystemVersion(), 5) << "expected OS version 5.0";
    EXPECT_EQ(image().minorOperatingSystemVersion(), 0) << "expected OS version 5.0";
    EXPECT_EQ(image().majorSubsystemVersion(), 5) << "expected subsystem version 5.0";
    EXPECT_EQ(image().minorSubsystemVersion(), 0) << "expected subsystem version 5.0";
}

TEST_P(Win2000Executable, ImportsOnlyTheSystemsOwnDlls) {
    const std::vector<Import> imports = image().imports();
    std::vector<std::string> runtime;
    bool commonControls = false;
    for (const Import& import : imports) {
        const std::string dll = Lower(import.dll);
        if (dll.rfind("libstdc++", 0) == 0 || dll.rfind("libgcc", 0) == 0 ||
            dll.rfind("libwinpthread", 0) == 0) {
            runtime.push_back(dll);
        }
        commonControls = commonControls || dll == "comctl32.dll";
    }
    EXPECT_EQ(runtime, std::vector<std::string>{})
        << "expected the compiler's runtime linked in, not imported";
    EXPECT_FALSE(commonControls)
        << "expected no import from comctl32.dll: it is looked up by name at run time";
    EXPECT_EQ(ForeignDlls(imports), std::vector<std::string>{}) << "expected no DLL beyond the system's own";
    EXPECT_EQ(image().directorySize(kDelayImportDirectory), 0u) << "expected no delay-loaded imports";
}

TEST_P(Win2000Executable, ImportsOnlyFunctionsListedForWindows2000) {
    const std::set<std::string> listed = ListedImports();
    ASSERT_FALSE(listed.empty()) << "expected functions in " << Win2000ImportListPath();
    const std::vector<Import> imports = image().imports();
    ASSERT_FALSE(imports.empty()) << "expected the executable to import something";
    std::vector<std::string> unlisted;
    for (const Import& import : imports) {
        if (listed.count(Describe(import)) == 0) unlisted.push_back(Describe(import));
    }
    EXPECT_EQ(unlisted.size(), 0u) << "expected every import in " << Win2000ImportListPath()
                                   << " (functions Windows 2000 has); not listed:" << Join(unlisted);
}

#if defined(PELVARO_WIN32_BUILD_DIR) || !defined(_WIN64)
INSTANTIATE_TEST_SUITE_P(Windows32, Win2000Executable, ::testing::ValuesIn(Win2000Executables()),
                         ExecutableLabel);

// The release window program fits in 64 KiB: it carries no C++ library
// machinery beyond what it uses.
TEST(Windows32Release, WindowProgramIsAtMost64KiB) {
    const std::vector<Executable> executables = Win2000Executables();
    const auto window =
        std::find_if(executables.begin(), executables.end(),
                     [](const Executable& executable) { return executable.label == "Pelvaro32"; });
    ASSERT_NE(window, executables.end()) << "expected the 32-bit Pelvaro.exe among the executables";
    const std::size_t size = ReadWholeFile(WindowsPath(window->path)).size();
    EXPECT_LE(size, 64u * 1024u) << "expected at most 65536 bytes in " << window->path;
}
#else
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Win2000Executable);
#endif

}  // namespace
}  // namespace pelvaro::test
