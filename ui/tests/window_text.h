// The text of a window, asked of the window itself through WM_GETTEXT, so that
// it also works for another process's controls: GetWindowText reads only the
// caption kept for a window of another process.
#pragma once

#include <windows.h>

#include <string>

namespace pelvaro::testing {

inline std::wstring TextOf(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

}  // namespace pelvaro::testing
