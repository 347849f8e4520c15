// The executables under test and the ways the tests open them: as a data file
// through the Windows loader (resources), and as bytes (PE headers).
#ifndef PELVARO_APP_TESTS_EXECUTABLES_H
#define PELVARO_APP_TESTS_EXECUTABLES_H

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace pelvaro::test {

struct Executable {
    std::string label;  // for test names: Pelvaro64, Pelvaro32, PelvaroId32
    std::string path;   // as the build names it: a Unix path, seen through Wine
    int bits;           // 32 or 64
    bool optional;      // tests skip it when the file does not exist
};

inline void PrintTo(const Executable& executable, std::ostream* out) { *out << executable.path; }

// Pelvaro.exe of this build, and of the 32-bit build when a 64-bit build was
// told where that is.
std::vector<Executable> PelvaroExecutables();

// The 32-bit executables that must run on Windows 2000: Pelvaro.exe and
// pelvaro-id.exe of this build when it is the 32-bit one, or else of the
// 32-bit build the build was told of (pelvaro-id.exe only if that build made
// it). Empty when there is none.
std::vector<Executable> Win2000Executables();

// The file of the Windows 2000 import list kept in the repository.
std::string Win2000ImportListPath();

// The committed icon file the build makes the icon resources from.
std::string IconFilePath();

// A path as Windows sees it: Wine maps the Unix root to drive Z:.
std::wstring WindowsPath(const std::string& path);

bool FileExists(const std::string& path);

// A module loaded as a data file: its resources can be read, none of its code
// runs, and its bitness need not match this process's.
class DataFileModule {
public:
    explicit DataFileModule(const std::string& path);
    ~DataFileModule();
    DataFileModule(const DataFileModule&) = delete;
    DataFileModule& operator=(const DataFileModule&) = delete;

    HMODULE get() const { return module_; }
    DWORD error() const { return error_; }

private:
    HMODULE module_ = nullptr;
    DWORD error_ = 0;
};

// One resource's bytes, copied out of the module.
struct Resource {
    bool found = false;
    std::vector<std::uint8_t> bytes;
};
Resource LoadResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name);

// Language ids of the resource `name` of `type`, in the module's order.
std::vector<WORD> ResourceLanguages(HMODULE module, LPCWSTR type, LPCWSTR name);

// Numeric names of the resources of `type` (a named one shows as -1).
std::vector<long> ResourceIds(HMODULE module, LPCWSTR type);

// Numeric types of the module's resources (a named type shows as -1).
std::vector<long> ResourceTypes(HMODULE module);

// Numeric resource type or name, as Windows passes it: MAKEINTRESOURCEW.
inline LPCWSTR IntResource(unsigned id) {
    return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}

}  // namespace pelvaro::test

#endif
