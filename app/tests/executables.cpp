#include "executables.h"

#include <algorithm>

namespace pelvaro::test {
namespace {

// Numeric value of a resource type or name, -1 for a string.
long IdOf(LPCWSTR name) {
    if (!IS_INTRESOURCE(name)) return -1;
    return static_cast<long>(reinterpret_cast<ULONG_PTR>(name));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR out) {
    reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
    reinterpret_cast<std::vector<long>*>(out)->push_back(IdOf(name));
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR out) {
    reinterpret_cast<std::vector<long>*>(out)->push_back(IdOf(type));
    return TRUE;
}

}  // namespace

constexpr int kBuildBits = 8 * sizeof(void*);

std::vector<Executable> PelvaroExecutables() {
    std::vector<Executable> executables = {
        {kBuildBits == 64 ? "Pelvaro64" : "Pelvaro32", PELVARO_EXE, kBuildBits, false}};
#ifdef PELVARO_WIN32_BUILD_DIR
    executables.push_back({"Pelvaro32", PELVARO_WIN32_BUILD_DIR "/app/Pelvaro.exe", 32, false});
#endif
    return executables;
}

std::vector<Executable> Win2000Executables() {
    if (kBuildBits == 32)
        return {{"Pelvaro32", PELVARO_EXE, 32, false}, {"PelvaroId32", PELVARO_ID_EXE, 32, false}};
#ifdef PELVARO_WIN32_BUILD_DIR
    return {{"Pelvaro32", PELVARO_WIN32_BUILD_DIR "/app/Pelvaro.exe", 32, false},
            {"PelvaroId32", PELVARO_WIN32_BUILD_DIR "/cli/pelvaro-id.exe", 32, true}};
#else
    return {};
#endif
}

std::string Win2000ImportListPath() { return PELVARO_WIN2000_IMPORT_LIST; }

std::string IconFilePath() { return PELVARO_ICON_FILE; }

std::wstring WindowsPath(const std::string& path) {
    std::wstring result;
    if (!path.empty() && path[0] == '/') result = L"Z:";
    for (char c : path)
        result.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return result;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WindowsPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DataFileModule::DataFileModule(const std::string& path) {
    module_ = LoadLibraryExW(WindowsPath(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module_ == nullptr) error_ = GetLastError();
}

DataFileModule::~DataFileModule() {
    if (module_ != nullptr) FreeLibrary(module_);
}

Resource LoadResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name) {
    Resource resource;
    const HRSRC info = FindResourceW(module, name, type);
    if (info == nullptr) return resource;
    const HGLOBAL handle = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const void* data = handle != nullptr ? LockResource(handle) : nullptr;
    if (data == nullptr) return resource;
    const auto* first = static_cast<const std::uint8_t*>(data);
    resource.bytes.assign(first, first + size);
    resource.found = true;
    return resource;
}

std::vector<WORD> ResourceLanguages(HMODULE module, LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::vector<long> ResourceIds(HMODULE module, LPCWSTR type) {
    std::vector<long> ids;
    EnumResourceNamesW(module, type, CollectName, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

std::vector<long> ResourceTypes(HMODULE module) {
    std::vector<long> types;
    EnumResourceTypesW(module, CollectType, reinterpret_cast<LONG_PTR>(&types));
    std::sort(types.begin(), types.end());
    return types;
}

}  // namespace pelvaro::test
