// form1_probe: reads Pelvaro's window from outside, for the test that drives
// it with real input through the X server.
//
//   form1_probe title|text1|text2   prints that text
//   form1_probe focus               prints the name of the control with the focus
//   form1_probe about               prints the title of the box the window owns
//   form1_probe fonts               prints WM_GETFONT of each control
//
// Exit status 0 when it printed something, 2 when the window (or box) is not
// there, 1 on a wrong argument.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "form1.h"
#include "window_text.h"

namespace {

HWND FindForm1() { return FindWindowW(pelvaro::kForm1ClassName, nullptr); }

using pelvaro::testing::TextOf;

void PrintLine(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    std::printf("%s\n", utf8.c_str());
    std::fflush(stdout);
}

struct Owned {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Owned*>(parameter);
    if (GetWindow(window, GW_OWNER) != search->owner || IsWindowVisible(window) == FALSE) return TRUE;
    search->found = window;
    return FALSE;
}

const wchar_t* NameOf(HWND form, HWND control) {
    if (control == nullptr) return L"(none)";
    if (control == form) return L"Form1";
    switch (GetDlgCtrlID(control)) {
        case pelvaro::kText1Id:
            return L"Text1";
        case pelvaro::kText2Id:
            return L"Text2";
        case pelvaro::kCommand1Id:
            return L"Command1";
        case pelvaro::kLabel1Id:
            return L"Label1";
        case pelvaro::kLabel2Id:
            return L"Label2";
        case pelvaro::kLabel3Id:
            return L"Label3";
        default:
            return L"(other)";
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: form1_probe title|text1|text2|focus|about|fonts\n");
        return 1;
    }
    const std::wstring what = argv[1];
    HWND form = FindForm1();
    if (form == nullptr) {
        std::fprintf(stderr, "form1_probe: no Form1 window\n");
        return 2;
    }
    if (what == L"title") {
        PrintLine(TextOf(form));
    } else if (what == L"text1") {
        PrintLine(TextOf(GetDlgItem(form, pelvaro::kText1Id)));
    } else if (what == L"text2") {
        PrintLine(TextOf(GetDlgItem(form, pelvaro::kText2Id)));
    } else if (what == L"focus") {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
        PrintLine(NameOf(form, info.hwndFocus));
    } else if (what == L"about") {
        Owned search = {form, nullptr};
        EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            std::fprintf(stderr, "form1_probe: no box owned by Form1\n");
            return 2;
        }
        PrintLine(TextOf(search.found));
    } else if (what == L"fonts") {
        for (HWND child = GetWindow(form, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            SetLastError(0);
            const LRESULT font = SendMessageW(child, WM_GETFONT, 0, 0);
            std::printf("%ls %p %lu\n", NameOf(form, child), reinterpret_cast<void*>(font), GetLastError());
        }
    } else {
        std::fprintf(stderr, "form1_probe: unknown request\n");
        return 1;
    }
    return 0;
}
