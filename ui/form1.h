// Form1, the program's only window: its description (a table of controls in
// twips) and its event procedures.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "form1_layout.h"

namespace pelvaro {

// The window's class name.
inline constexpr wchar_t kForm1ClassName[] = L"Form1";

// Runs the program's one window from creation to close: Initialize, the window
// and its controls, Load, shown centred, then the message loop. Returns the
// exit status (0 when the window is closed).
int RunForm1(HINSTANCE instance, int showCommand);

// Form1 Initialize: calls InitCommonControls of comctl32.dll, looked up by
// name on the first call and kept for later calls. Runs before the window
// exists.
void Form1_Initialize();

// Runs work() with the wait cursor showing, then puts back the cursor that
// was showing before: for work that keeps the window from answering until it
// is done.
template <typename Work>
void WithWaitCursor(Work work) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    work();
    SetCursor(previous);
}

// " - major.minor.revision" from a VS_VERSIONINFO block (the first, second and
// fourth fields of its file version), or an empty text when the block is
// too short, damaged or carries no fixed file information.
std::wstring VersionSuffix(const void* versionInfo, std::size_t size);

}  // namespace pelvaro
