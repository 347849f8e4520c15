// session_driver: runs one session of a window program from start to exit,
// for the test that checks Pelvaro.exe writes nothing.
//
//   session_driver bare PROGRAM               starts PROGRAM (bare_window.exe),
//                                             waits for its window, closes it
//   session_driver pelvaro PROGRAM ADDRESS    starts PROGRAM (Pelvaro.exe), works
//                                             out ADDRESS, opens About, closes the
//                                             box with its OK button, closes the
//                                             window
//
// PROGRAM is started in this program's working directory. Every wait has a
// time limit. Exit status 0 when every step did what it should and the program
// ended with status 0; 1 when a step failed (the program is then ended); 2 on
// a wrong argument.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "form1.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"
#include "tests/system_error.h"

namespace {

constexpr DWORD kWaitMilliseconds = 20000;
constexpr DWORD kPollMilliseconds = 50;
constexpr UINT kSendMilliseconds = 5000;
constexpr wchar_t kBareWindowClassName[] = L"BareWindow";

// A time limit of kWaitMilliseconds from its making (GetTickCount, whose
// wrap-around the unsigned difference absorbs; Windows XP has no
// GetTickCount64).
class Deadline {
public:
    bool Passed() const { return GetTickCount() - start_ >= kWaitMilliseconds; }

private:
    DWORD start_ = GetTickCount();
};

void Say(const char* format, const std::wstring& text = std::wstring()) {
    std::printf("session_driver: ");
    std::printf(format, text.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// WM_GETTEXT with a time limit, so that a hung program cannot hang the driver.
bool TextOf(HWND window, std::wstring& text) {
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendMilliseconds, &length) ==
        0) {
        return false;
    }
    text.assign(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                            reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, kSendMilliseconds,
                            &copied) == 0) {
        return false;
    }
    text.resize(static_cast<std::size_t>(copied));
    return true;
}

struct Search {
    DWORD processId;
    const wchar_t* className;  // a top-level window of this class, or
    HWND owner;                // a window owned by this one
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || IsWindowVisible(window) == FALSE) return TRUE;
    if (search->className != nullptr && ClassOf(window) != search->className) return TRUE;
    if (search->owner != nullptr && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    search->found = window;
    return FALSE;
}

// The program's process and the waits on it.
class Session {
public:
    ~Session() {
        if (process_.hProcess == nullptr) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            Say("ending the program, which is still running");
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, kWaitMilliseconds);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    bool Start(const std::wstring& program) {
        std::wstring commandLine = L"\"" + program + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process_) == FALSE) {
            Say("FAIL: could not start %ls",
                program + L": " + pelvaro::testing::FailureOf(L"CreateProcessW"));
            process_ = {};
            return false;
        }
        Say("started %ls", program);
        return true;
    }

    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    // A visible top-level window of the class, or a visible window owned by
    // owner, once the program shows it; nullptr after the time limit or when
    // the program has ended.
    HWND WaitForWindow(const wchar_t* className, HWND owner) const {
        const Deadline deadline;
        do {
            Search search = {process_.dwProcessId, className, owner, nullptr};
            EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) return search.found;
            if (!Running()) return nullptr;
            Sleep(kPollMilliseconds);
        } while (!deadline.Passed());
        return nullptr;
    }

    // Waits for the program to end; its exit status, or -1 after the time limit.
    long long WaitForExit() const {
        if (WaitForSingleObject(process_.hProcess, kWaitMilliseconds) != WAIT_OBJECT_0) return -1;
        DWORD status = 0;
        GetExitCodeProcess(process_.hProcess, &status);
        return status;
    }

private:
    PROCESS_INFORMATION process_ = {};
};

// Waits until the window's text equals expected; false after the time limit.
bool WaitForText(HWND window, const std::wstring& expected, std::wstring& last) {
    const Deadline deadline;
    do {
        if (TextOf(window, last) && last == expected) return true;
        Sleep(kPollMilliseconds);
    } while (!deadline.Passed());
    return false;
}

bool WaitUntilGone(HWND window) {
    const Deadline deadline;
    do {
        if (IsWindow(window) == FALSE || IsWindowVisible(window) == FALSE) return true;
        Sleep(kPollMilliseconds);
    } while (!deadline.Passed());
    return false;
}

// Closes the window with WM_CLOSE and expects the program to end with status 0.
bool CloseAndExpectStatusZero(const Session& session, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    const long long status = session.WaitForExit();
    if (status != 0) {
        std::printf("session_driver: FAIL: exit status after WM_CLOSE: expected 0, got %lld%s\n", status,
                    status == -1 ? " (still running after the time limit)" : "");
        std::fflush(stdout);
        return false;
    }
    Say("window closed, exit status 0");
    return true;
}

bool RunBare(const std::wstring& program) {
    Session session;
    if (!session.Start(program)) return false;
    HWND window = session.WaitForWindow(kBareWindowClassName, nullptr);
    if (window == nullptr) {
        Say("FAIL: expected a visible window of class \"%ls\", none came", kBareWindowClassName);
        return false;
    }
    Say("window of class \"%ls\" is up", kBareWindowClassName);
    return CloseAndExpectStatusZero(session, window);
}

std::wstring ExpectedIdNumber(const std::wstring& address) {
    const std::u16string text(address.begin(), address.end());
    const std::string digits =
        pelvaro::UnsignedText(pelvaro::WorkOutIdNumber(text, pelvaro::TextServices::SystemAnsi()));
    return std::wstring(digits.begin(), digits.end());
}

bool RunPelvaro(const std::wstring& program, const std::wstring& address) {
    Session session;
    if (!session.Start(program)) return false;
    HWND form = session.WaitForWindow(pelvaro::kForm1ClassName, nullptr);
    if (form == nullptr) {
        Say("FAIL: expected a visible window of class \"%ls\", none came", pelvaro::kForm1ClassName);
        return false;
    }
    Say("window of class \"%ls\" is up", pelvaro::kForm1ClassName);
    std::wstring title;
    if (!TextOf(form, title)) {
        Say("FAIL: the window does not answer WM_GETTEXT");
        return false;
    }

    // Work out: the address into Text1, a click on Command1, the number in Text2.
    HWND text1 = GetDlgItem(form, pelvaro::kText1Id);
    HWND command1 = GetDlgItem(form, pelvaro::kCommand1Id);
    HWND text2 = GetDlgItem(form, pelvaro::kText2Id);
    HWND label3 = GetDlgItem(form, pelvaro::kLabel3Id);
    if (text1 == nullptr || command1 == nullptr || text2 == nullptr || label3 == nullptr) {
        Say("FAIL: expected controls Text1, Command1, Text2 and Label3 in the window");
        return false;
    }
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(text1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()), SMTO_ABORTIFHUNG,
                            kSendMilliseconds, &result) == 0 ||
        SendMessageTimeoutW(command1, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendMilliseconds, &result) == 0) {
        Say("FAIL: the window does not answer WM_SETTEXT and BM_CLICK");
        return false;
    }
    const std::wstring expected = ExpectedIdNumber(address);
    std::wstring shown;
    if (!WaitForText(text2, expected, shown)) {
        std::printf("session_driver: FAIL: Text2 after Work out: expected \"%ls\", got \"%ls\"\n",
                    expected.c_str(), shown.c_str());
        std::fflush(stdout);
        return false;
    }
    Say("worked out, Text2 reads \"%ls\"", shown);

    // About: Label3's click opens a message box owned by the window; posted,
    // since the box's modal loop runs inside the window's handler.
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(pelvaro::kLabel3Id, STN_CLICKED),
                 reinterpret_cast<LPARAM>(label3));
    HWND box = session.WaitForWindow(nullptr, form);
    if (box == nullptr) {
        Say("FAIL: expected a box owned by the window after About, none came");
        return false;
    }
    std::wstring boxTitle;
    TextOf(box, boxTitle);
    if (boxTitle != title) {
        std::printf("session_driver: FAIL: About box title: expected \"%ls\", got \"%ls\"\n", title.c_str(),
                    boxTitle.c_str());
        std::fflush(stdout);
        return false;
    }
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr) {
        Say("FAIL: expected an OK button in the About box");
        return false;
    }
    Say("About box \"%ls\" is up", boxTitle);
    PostMessageW(ok, BM_CLICK, 0, 0);
    if (!WaitUntilGone(box)) {
        Say("FAIL: expected the About box to close after its OK button, it stayed");
        return false;
    }
    Say("About box closed with OK");
    return CloseAndExpectStatusZero(session, form);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"bare" && argc == 3) return RunBare(argv[2]) ? 0 : 1;
    if (mode == L"pelvaro" && argc == 4) return RunPelvaro(argv[2], argv[3]) ? 0 : 1;
    std::fprintf(stderr, "usage: session_driver bare PROGRAM | session_driver pelvaro PROGRAM ADDRESS\n");
    return 2;
}
