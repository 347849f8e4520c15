#include "form1_process.h"

#include <cstring>
#include <string>
#include <vector>

#include "form1.h"
#include "form1_show_hook.h"
#include "system_error.h"

namespace pelvaro::testing {
namespace {

constexpr DWORD kWaitMilliseconds = 30000;

bool IsForm1Of(HWND window, DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == processId && ClassOf(window) == kForm1ClassName;
}

// form1_show_hook.dll, beside this test program.
std::wstring ShowHookPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result = path;
    result.resize(result.find_last_of(L"\\/") + 1);
    return result + L"form1_show_hook.dll";
}

struct FindForm1 {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindForm1Window(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<FindForm1*>(parameter);
    if (!IsForm1Of(window, search->processId)) return TRUE;
    search->found = window;
    return FALSE;
}

struct FindOwned {
    DWORD processId;
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<FindOwned*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || window == search->owner) return TRUE;
    if (GetWindow(window, GW_OWNER) != search->owner || IsWindowVisible(window) == FALSE) return TRUE;
    search->found = window;
    return FALSE;
}

// form1_show_hook.dll hooked into one thread of another process, with the
// shared block in which it records the title the thread's window is first
// shown with. Unhooked when it goes.
class ShowHook {
public:
    ShowHook() = default;
    ShowHook(const ShowHook&) = delete;
    ShowHook& operator=(const ShowHook&) = delete;
    ~ShowHook() {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        if (library_ != nullptr) FreeLibrary(library_);
        if (mapping_ != nullptr) CloseHandle(mapping_);
    }

    // Hooks the thread; on failure, says which step failed in failure.
    bool Set(DWORD processId, DWORD threadId, std::wstring& failure) {
        wchar_t name[64];
        wsprintfW(name, L"%ls%lu", kShownTitleMappingPrefix, processId);
        mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      kShownTitleCapacity * sizeof(wchar_t), name);
        if (mapping_ == nullptr) return Fail(failure, FailureOf(L"CreateFileMappingW"));
        const std::wstring path = ShowHookPath();
        library_ = LoadLibraryW(path.c_str());
        if (library_ == nullptr) return Fail(failure, FailureOf(L"LoadLibraryW") + L" (" + path + L")");
        const auto procedure =
            reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library_, "Form1ShowHook")));
        if (procedure == nullptr) return Fail(failure, FailureOf(L"GetProcAddress(Form1ShowHook)"));
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, procedure, library_, threadId);
        if (hook_ == nullptr) return Fail(failure, FailureOf(L"SetWindowsHookExW"));
        return true;
    }

    // The title recorded, empty when none was.
    std::wstring Title() const {
        std::wstring title;
        if (mapping_ == nullptr) return title;
        if (const auto* block =
                static_cast<const wchar_t*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0))) {
            if (block[0] != L'\0') title.assign(block + 1, block[0] - 1u);
            UnmapViewOfFile(block);
        }
        return title;
    }

private:
    static bool Fail(std::wstring& failure, const std::wstring& why) {
        failure = why;
        return false;
    }

    HANDLE mapping_ = nullptr;
    HMODULE library_ = nullptr;
    HHOOK hook_ = nullptr;
};

}  // namespace

std::wstring PelvaroPath() {
    // The build passes the path as the build machine spells it; under Wine a
    // Unix path is reached through drive Z:.
    std::string path = PELVARO_EXE;
    std::wstring result;
    if (!path.empty() && path[0] == '/') result = L"Z:";
    for (char c : path) result += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return result;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

RECT RectInParent(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

Pixels CaptureScreen(const RECT& rect) {
    Pixels pixels;
    pixels.width = rect.right - rect.left;
    pixels.height = rect.bottom - rect.top;
    if (pixels.width <= 0 || pixels.height <= 0) return pixels;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const auto count = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);

    // Read until two readings agree: the program paints, and Wine passes its
    // painting on to the X server, in its own time.
    std::vector<COLORREF> previous;
    for (int round = 0; round < 100; ++round) {
        BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const auto* raw = static_cast<const std::uint32_t*>(bits);
        pixels.colours.assign(count, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t bgra = raw[i];  // blue in the low byte
            pixels.colours[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
        }
        if (round > 0 && pixels.colours == previous) break;
        previous = pixels.colours;
        Sleep(100);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Closes the window, and lets the program end in its own time once the window
// is off the screen: under Wine a window is destroyed two seconds after it is
// hidden, which the next test need not wait for. A window that stays is ended
// with its process.
Form1Process::~Form1Process() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        if (form_ != nullptr) PostMessageW(form_, WM_CLOSE, 0, 0);
        if (form_ == nullptr || !WaitUntil([this] { return IsWindowVisible(form_) == FALSE; })) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, kWaitMilliseconds);
        }
    }
    CloseHandle(process_);
}

bool Form1Process::Start(const std::wstring& path) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &started)) {
        return Failed(FailureOf(L"CreateProcessW") + L" (" + path + L")");
    }
    process_ = started.hProcess;
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;

    // Before the program runs at all, hook its thread: the hook records the
    // title as the window is being shown.
    ShowHook hook;
    const bool running =
        hook.Set(processId_, threadId_, startFailure_) &&
        (ResumeThread(started.hThread) != static_cast<DWORD>(-1) || Failed(FailureOf(L"ResumeThread")));
    CloseHandle(started.hThread);
    if (!running) {
        TerminateProcess(process_, 1);
        return false;
    }

    const bool shown = WaitUntil([this] {
        FindForm1 search = {processId_, nullptr};
        EnumWindows(FindForm1Window, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr || IsWindowVisible(search.found) == FALSE) {
            return WaitForSingleObject(process_, 0) != WAIT_TIMEOUT;  // ended: no window will come
        }
        form_ = search.found;
        return true;
    });
    firstVisibleTitle_ = hook.Title();
    if (!shown || form_ == nullptr) {
        DWORD status = STILL_ACTIVE;
        GetExitCodeProcess(process_, &status);
        return Failed(status == STILL_ACTIVE ? L"the window was not shown within 30 s"
                                             : L"the program ended with exit status " +
                                                   std::to_wstring(status) + L" before it showed its window");
    }
    WaitForInputIdle(process_, kWaitMilliseconds);
    Sync();
    return true;
}

bool Form1Process::Failed(const std::wstring& why) {
    startFailure_ = why;
    return false;
}

HWND Form1Process::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId_, &info)) return nullptr;
    return info.hwndFocus;
}

void Form1Process::Sync() const {
    // A posted marker, read back once the program has handled it: Text2's
    // limit, which nothing else sets and which limits only typing into the
    // read-only box.
    static WPARAM marker = 0x10000000;
    HWND text2 = Control(kText2Id);
    const WPARAM value = ++marker;
    PostMessageW(text2, EM_SETLIMITTEXT, value, 0);
    WaitUntil([&] { return static_cast<WPARAM>(SendMessageW(text2, EM_GETLIMITTEXT, 0, 0)) == value; });
}

DWORD Form1Process::Close() {
    PostMessageW(form_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, kWaitMilliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(process_, &status);
    return status;
}

HWND Form1Process::OwnedWindow() const {
    FindOwned search = {processId_, form_, nullptr};
    EnumWindows(FindOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace pelvaro::testing
