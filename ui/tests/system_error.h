// What a failed Windows call left behind, for a test's message: the call's
// name, GetLastError's code and the system's text for it.
#pragma once

#include <windows.h>

#include <string>

namespace pelvaro::testing {

// "CALL failed: error N: TEXT", read at once after the call failed.
inline std::wstring FailureOf(const wchar_t* call, DWORD error = GetLastError()) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said = length != 0 ? std::wstring(text, length) : L"no text for this code";
    LocalFree(text);
    while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L' '))
        said.pop_back();
    return std::wstring(call) + L" failed: error " + std::to_wstring(error) + L": " + said;
}

}  // namespace pelvaro::testing
