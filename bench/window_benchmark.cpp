// Window figures, under Wine here or on Windows: the time from process start
// to the window shown, for Pelvaro.exe and for a bare window program built the
// same way, and the time "Work out" takes on a 1 MiB paste. Given the programs
// of more than one build (32-bit and 64-bit), it measures them side by side:
// all take turns at starting up.
//
//   window_benchmark ROUNDS PELVARO_EXE BARE_WINDOW_EXE [PELVARO_EXE BARE_WINDOW_EXE]...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "form1.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"
#include "tests/system_error.h"
#include "tests/window_text.h"

namespace {

using pelvaro::testing::TextOf;

double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Program {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner != search->processId || !IsWindowVisible(window) || wcscmp(className, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// Starts the program and returns once its top-level window is visible.
bool StartAndWaitForWindow(const std::wstring& path, const wchar_t* className, Program& program) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &program.process)) {
        std::fwprintf(stderr, L"%ls: %ls\n", path.c_str(),
                      pelvaro::testing::FailureOf(L"CreateProcessW").c_str());
        return false;
    }
    for (int tries = 0; tries < 20000 && !program.window; ++tries) {
        Search search = {program.process.dwProcessId, className, nullptr};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        program.window = search.found;
        if (!program.window) Sleep(0);
    }
    return program.window != nullptr;
}

void Close(Program& program) {
    if (program.window) PostMessageW(program.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(program.process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(program.process.hProcess, 1);
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds from CreateProcess to a visible window.
double StartUpSeconds(const std::wstring& path, const wchar_t* className) {
    Program program;
    const double start = Seconds();
    if (!StartAndWaitForWindow(path, className, program)) {
        std::fwprintf(stderr, L"%ls: no window appeared\n", path.c_str());
        std::exit(1);
    }
    const double seconds = Seconds() - start;
    Close(program);
    return seconds;
}

// Puts text on the clipboard and pastes it into the edit box, as a person does.
bool Paste(HWND edit, const std::wstring& text) {
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) GlobalFree(memory);
    SendMessageW(edit, WM_PASTE, 0, 0);
    return placed;
}

// Pastes 1 MiB of text (1,048,576 characters) into Text1 and times the click
// of "Work out" until the number stands in Text2.
void WorkOutOnAMebibyte(const std::wstring& path, std::size_t size) {
    Program program;
    if (!StartAndWaitForWindow(path, pelvaro::kForm1ClassName, program)) std::exit(1);
    HWND text1 = GetDlgItem(program.window, pelvaro::kText1Id);
    HWND command1 = GetDlgItem(program.window, pelvaro::kCommand1Id);
    HWND text2 = GetDlgItem(program.window, pelvaro::kText2Id);

    const std::wstring address = L"Some.Person+Tag@Example.COM;";
    std::wstring paste;
    while (paste.size() < size) paste += address;
    paste.resize(size);
    // The paste, and the edit box drawing its new line, timed apart from the
    // click: Wine lays out the whole line when it first draws it.
    const double pasteStart = Seconds();
    if (!Paste(text1, paste)) {
        std::fprintf(stderr, "could not paste into Text1\n");
        std::exit(1);
    }
    UpdateWindow(text1);
    const double pasteSeconds = Seconds() - pasteStart;

    const double start = Seconds();
    SendMessageW(command1, BM_CLICK, 0, 0);
    const double seconds = Seconds() - start;

    const std::u16string units(paste.begin(), paste.end());
    const std::string expected =
        pelvaro::UnsignedText(pelvaro::WorkOutIdNumber(units, pelvaro::TextServices::SystemAnsi()));
    const std::wstring shown = TextOf(text2);
    const bool right = shown == std::wstring(expected.begin(), expected.end());
    DWORD_PTR answer = 0;
    const bool responsive =
        SendMessageTimeoutW(program.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) != 0;
    std::printf("paste of %zu characters, drawn: %.3f s\n", size, pasteSeconds);
    std::printf("  work out on %zu characters: %.3f s, result %s, window %s\n", size, seconds,
                right ? "correct" : "WRONG", responsive ? "responsive" : "NOT RESPONDING");
    Close(program);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(
            stderr,
            "usage: window_benchmark ROUNDS PELVARO_EXE BARE_WINDOW_EXE [PELVARO_EXE BARE_WINDOW_EXE]...\n");
        return 2;
    }
    const int rounds = std::max(1, _wtoi(argv[1]));
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // The programs take turns, so that a slower spell of the machine falls on
    // all alike.
    const int pairs = (argc - 2) / 2;
    std::vector<std::vector<double>> pelvaroTimes(static_cast<std::size_t>(pairs));
    std::vector<std::vector<double>> bareTimes(static_cast<std::size_t>(pairs));
    for (int round = 0; round < rounds; ++round) {
        for (int pair = 0; pair < pairs; ++pair) {
            const auto at = static_cast<std::size_t>(pair);
            pelvaroTimes[at].push_back(StartUpSeconds(argv[2 + 2 * pair], pelvaro::kForm1ClassName));
            bareTimes[at].push_back(StartUpSeconds(argv[3 + 2 * pair], L"BareWindow"));
        }
    }
    for (int pair = 0; pair < pairs; ++pair) {
        const auto at = static_cast<std::size_t>(pair);
        const double pelvaro = Median(pelvaroTimes[at]);
        const double bare = Median(bareTimes[at]);
        std::printf(
            "%ls\n  start-up to window shown, median of %d: %.1f ms, bare window %.1f ms: ratio %.2f\n  ",
            argv[2 + 2 * pair], rounds, pelvaro * 1e3, bare * 1e3, pelvaro / bare);
        WorkOutOnAMebibyte(argv[2 + 2 * pair], std::size_t{1} << 20);
    }
    return 0;
}
