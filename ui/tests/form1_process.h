// Pelvaro.exe started as a separate process, and the means to look at its
// window from outside: window texts through messages, the screen's pixels,
// and waiting for the program to catch up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "window_text.h"

namespace pelvaro::testing {

// The path of Pelvaro.exe as Windows (or Wine) spells it.
std::wstring PelvaroPath();

std::wstring ClassOf(HWND window);

// A window's rectangle relative to the client area of its parent.
RECT RectInParent(HWND window);

// Polls until done() is true, pumping this thread's messages in between.
// Gives up, returning false, after a generous limit.
template <typename Done>
bool WaitUntil(Done done);

// A rectangle of the screen, one COLORREF a pixel, row by row.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colours;
    COLORREF At(int x, int y) const { return colours[static_cast<std::size_t>(y * width + x)]; }
};

// The screen's pixels under rect (screen coordinates), read once they have
// stopped changing.
Pixels CaptureScreen(const RECT& rect);

// The process and its window.
class Form1Process {
public:
    Form1Process() = default;
    Form1Process(const Form1Process&) = delete;
    Form1Process& operator=(const Form1Process&) = delete;
    ~Form1Process();

    // Starts the program (Pelvaro.exe unless told another) and waits for its
    // visible window. Records, through form1_show_hook.dll, the title the
    // window had as it was first shown. On failure, StartFailure() says which
    // step failed and why.
    bool Start(const std::wstring& path = PelvaroPath());
    const std::wstring& StartFailure() const { return startFailure_; }

    HWND Form() const { return form_; }
    HWND Control(int id) const { return GetDlgItem(form_, id); }
    HANDLE Process() const { return process_; }
    DWORD ThreadId() const { return threadId_; }
    const std::wstring& FirstVisibleTitle() const { return firstVisibleTitle_; }

    // The window with the keyboard focus in the program's thread.
    HWND Focus() const;

    // Waits until the program has handled everything posted to it so far.
    void Sync() const;

    // Closes the window and waits for the process; returns its exit status,
    // or STILL_ACTIVE when it did not end.
    DWORD Close();

    // A top-level window of the program other than Form1 (a message box)
    // whose owner is Form1; null when there is none.
    HWND OwnedWindow() const;

private:
    bool Failed(const std::wstring& why);

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND form_ = nullptr;
    std::wstring firstVisibleTitle_;
    std::wstring startFailure_;
};

template <typename Done>
bool WaitUntil(Done done) {
    for (int round = 0; round < 1500; ++round) {  // 30 seconds
        if (done()) return true;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(20);
    }
    return done();
}

}  // namespace pelvaro::testing
