// form1_show_hook.dll: loaded into Pelvaro.exe through a WH_CALLWNDPROC hook
// that the tests set on its thread. When a top-level window is about to be
// shown, it copies that window's title into a shared memory block named
// after the process, where the test reads it: the title the window has from
// the first moment it is visible.
#include "form1_show_hook.h"

#include <windows.h>

namespace {

void RecordTitle(HWND window) {
    if (GetParent(window) != nullptr) return;
    wchar_t name[64];
    wsprintfW(name, L"%ls%lu", pelvaro::testing::kShownTitleMappingPrefix, GetCurrentProcessId());
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (mapping == nullptr) return;
    if (auto* title = static_cast<wchar_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {
        if (title[0] == L'\0') {  // only the first showing counts
            const int length = GetWindowTextW(window, title + 1, pelvaro::testing::kShownTitleCapacity - 1);
            title[0] = static_cast<wchar_t>(length + 1);  // a counted text: 0 means nothing recorded
        }
        UnmapViewOfFile(title);
    }
    CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK Form1ShowHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent.message == WM_SHOWWINDOW && sent.wParam != FALSE) RecordTitle(sent.hwnd);
        if (sent.message == WM_WINDOWPOSCHANGING &&
            (reinterpret_cast<const WINDOWPOS*>(sent.lParam)->flags & SWP_SHOWWINDOW) != 0) {
            RecordTitle(sent.hwnd);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
