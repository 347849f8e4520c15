// Form1: one window procedure that hands each message to a small named
// handler, controls created from one constant table in twips, and the four
// event procedures: Form1_Initialize, Form1_Load, Command1_Click, Label3_Click.
#include "form1.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed single border
constexpr DWORD kFormExStyle = 0;

// Font sizes are in hundredths of a point, 7200 to the inch.
constexpr int kHundredthsOfPointPerInch = 7200;

constexpr COLORREF kLinkColour = RGB(0, 0, 255);

// Text1's length limit in characters; 0 asks for the largest an edit box has.
// The box lays out its whole line each time it draws it. Under Wine that needs
// single blocks of up to 12 bytes a character, and when one cannot be had,
// the layout reads through a list it never set up and ends the program: in
// the 2 GB of a 32-bit process, with pastes of 45 MiB and more (40 MiB went
// well). A 32-bit build therefore keeps Text1 to 8 MiB, a fifth of that and
// far beyond any e-mail address; the box cuts a paste short at its limit. A
// 64-bit build has room for far more and keeps the largest limit.
constexpr WPARAM kText1Limit = sizeof(void*) == 4 ? WPARAM{8} << 20 : 0;

// What Windows makes of each control of the description, in the same order.
struct ControlClass {
    Form1ControlId id;
    const wchar_t* className;
    DWORD style;  // beyond WS_CHILD | WS_VISIBLE
    DWORD exStyle;
};

// Label3 also clips its siblings, so that it never paints over the button
// that covers their one-pixel overlap.
constexpr ControlClass kControlClasses[] = {
    {kLabel1Id, L"STATIC", SS_LEFT, 0},
    {kText1Id, L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {kCommand1Id, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0},
    {kLabel2Id, L"STATIC", SS_LEFT, 0},
    {kText2Id, L"EDIT", ES_RIGHT | ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE},
    {kLabel3Id, L"STATIC", SS_CENTER | SS_NOTIFY | WS_CLIPSIBLINGS, 0},
};

constexpr bool ClassesFollowTheDescription() {
    if (std::size(kControlClasses) != std::size(kForm1Controls)) return false;
    for (std::size_t i = 0; i < std::size(kForm1Controls); ++i)
        if (kControlClasses[i].id != kForm1Controls[i].id) return false;
    return true;
}
static_assert(ClassesFollowTheDescription(),
              "one class for each control of Form1's description, in its order");

// The two fonts, made when the window is created and deleted when it is gone,
// and the control that had the focus when the window was last deactivated.
HFONT g_font = nullptr;
HFONT g_linkFont = nullptr;
HWND g_focus = nullptr;

// The screen's dots per inch, across and down.
void ScreenDpi(int& dpiX, int& dpiY) {
    dpiX = dpiY = 96;
    if (HDC screen = GetDC(nullptr)) {
        dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
}

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, kTwipsPerInch); }

HFONT MakeFont(int dpiY, bool underlined, BYTE charSet) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(kForm1FontHundredthsOfPoint, dpiY, kHundredthsOfPointPerInch);
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = underlined ? TRUE : FALSE;
    font.lfCharSet = charSet;
    std::memcpy(font.lfFaceName, kForm1FontFace, sizeof kForm1FontFace);
    return CreateFontIndirectW(&font);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void AppendDecimal(std::wstring& text, unsigned value) {
    wchar_t digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) text += digits[--count];
}

// ---- Event procedures -------------------------------------------------------

// Load: the title gets " - major.minor.revision" from the running program's
// own version resource. Without one, the title stays as it is.
void Form1_Load(HWND form) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION);
    if (resource == nullptr) return;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return;
    const std::wstring suffix = VersionSuffix(data, SizeofResource(nullptr, resource));
    if (suffix.empty()) return;
    SetWindowTextW(form, (WindowText(form) + suffix).c_str());
}

// Work out: the id number of Text1's text, shown unsigned in Text2. Text1
// keeps what was typed.
void Command1_Click(HWND form) {
    HWND text1 = GetDlgItem(form, kText1Id);
    const int length = GetWindowTextLengthW(text1);
    std::u16string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, u'\0');
    const int copied =
        GetWindowTextW(text1, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));

    const std::string digits = UnsignedText(WorkOutIdNumber(text, TextServices::SystemAnsi()));
    const std::wstring shown(digits.begin(), digits.end());
    SetWindowTextW(GetDlgItem(form, kText2Id), shown.c_str());
}

// About: the credits, titled with the window's title as it reads now.
void Label3_Click(HWND form) {
    const std::wstring title = WindowText(form);
    MessageBoxW(form, kForm1AboutText, title.c_str(), MB_OK | MB_ICONINFORMATION);
}

// ---- Message handlers -------------------------------------------------------

bool OnCreate(HWND form, const CREATESTRUCTW& create) {
    int dpiX = 0;
    int dpiY = 0;
    ScreenDpi(dpiX, dpiY);
    g_font = MakeFont(dpiY, false, DEFAULT_CHARSET);
    g_linkFont = MakeFont(dpiY, true, ANSI_CHARSET);
    for (std::size_t i = 0; i < std::size(kForm1Controls); ++i) {
        const Form1ControlPlace& control = kForm1Controls[i];
        const ControlClass& kind = kControlClasses[i];
        HWND child = CreateWindowExW(
            kind.exStyle, kind.className, control.caption, WS_CHILD | WS_VISIBLE | kind.style,
            Pixels(control.left, dpiX), Pixels(control.top, dpiY), Pixels(control.width, dpiX),
            Pixels(control.height, dpiY), form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
            create.hInstance, nullptr);
        if (child == nullptr) return false;
        HFONT font = control.id == kLabel3Id ? g_linkFont : g_font;
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendMessageW(GetDlgItem(form, kText1Id), EM_SETLIMITTEXT, kText1Limit, 0);
    return true;
}

void OnCommand(HWND form, int id, int notification) {
    switch (id) {
        case kCommand1Id:
            if (notification == BN_CLICKED) WithWaitCursor([form] { Command1_Click(form); });
            break;
        case kText1Id:
            // Text refused at Text1's limit or for want of memory: the beep of
            // a key the box cannot take, so that nothing is lost unnoticed.
            if (notification == EN_MAXTEXT || notification == EN_ERRSPACE) MessageBeep(MB_OK);
            break;
        case kLabel3Id:
            if (notification == STN_CLICKED) Label3_Click(form);
            break;
        default:
            break;  // IDOK and IDCANCEL, from Enter and Esc: there is no default or cancel button
    }
}

LRESULT OnCtlColorStatic(HWND form, HDC dc, HWND control, WPARAM wParam, LPARAM lParam) {
    if (GetDlgCtrlID(control) != kLabel3Id) return DefWindowProcW(form, WM_CTLCOLORSTATIC, wParam, lParam);
    SetTextColor(dc, kLinkColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool OnSetCursor(HWND form, HWND under) {
    if (under != GetDlgItem(form, kLabel3Id)) return false;
    SetCursor(LoadCursorW(nullptr, IDC_UPARROW));
    return true;
}

// The focus goes back to the control that had it when the window was last
// deactivated, or to Text1.
void RestoreFocus(HWND form) {
    HWND target = g_focus != nullptr && IsChild(form, g_focus) ? g_focus : GetDlgItem(form, kText1Id);
    SetFocus(target);
}

void OnActivate(HWND form, bool active) {
    if (!active) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(form, focus)) g_focus = focus;
    } else if (IsIconic(form) == FALSE) {
        RestoreFocus(form);
    }
}

void OnNcDestroy() {
    DeleteObject(g_font);
    DeleteObject(g_linkFont);
    g_font = g_linkFont = nullptr;
    g_focus = nullptr;
}

LRESULT CALLBACK Form1Procedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(form, *reinterpret_cast<const CREATESTRUCTW*>(lParam)) ? 0 : -1;
        case WM_COMMAND:
            OnCommand(form, LOWORD(wParam), HIWORD(wParam));
            return 0;
        case DM_GETDEFID:
            return 0;  // no default push button
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(form, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                    wParam, lParam);
        case WM_SETCURSOR:
            if (OnSetCursor(form, reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_ACTIVATE:
            OnActivate(form, LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_SETFOCUS:
            RestoreFocus(form);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            OnNcDestroy();
            break;
        default:
            break;
    }
    return DefWindowProcW(form, message, wParam, lParam);
}

// ---- Start-up ---------------------------------------------------------------

bool RegisterForm1Class(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Form1Procedure;
    windowClass.hInstance = instance;
    // Icon group 1, large and small; a missing icon leaves the system's.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kForm1ClassName;
    return RegisterClassExW(&windowClass) != 0;
}

// Created hidden, with the client area of the description.
HWND CreateForm1(HINSTANCE instance) {
    int dpiX = 0;
    int dpiY = 0;
    ScreenDpi(dpiX, dpiY);
    RECT frame = {0, 0, Pixels(kForm1ClientWidth, dpiX), Pixels(kForm1ClientHeight, dpiY)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    return CreateWindowExW(kFormExStyle, kForm1ClassName, kForm1InitialTitle, kFormStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                           nullptr, instance, nullptr);
}

void CentreOnScreen(HWND form) {
    RECT window = {};
    GetWindowRect(form, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(form, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog manager handles Tab and Shift+Tab between the controls; Enter
// and Esc reach the window as IDOK and IDCANCEL, which it ignores.
int MessageLoop(HWND form) {
    MSG message = {};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        if (IsDialogMessageW(form, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

void Form1_Initialize() {
    using InitCommonControlsProcedure = void(WINAPI*)();
    static const InitCommonControlsProcedure initCommonControls = []() -> InitCommonControlsProcedure {
        HMODULE library = LoadLibraryW(L"comctl32.dll");
        if (library == nullptr) return nullptr;
        return reinterpret_cast<InitCommonControlsProcedure>(
            reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControls")));
    }();
    if (initCommonControls != nullptr) initCommonControls();
}

std::wstring VersionSuffix(const void* versionInfo, std::size_t size) {
    // VS_VERSIONINFO: WORD wLength, WORD wValueLength, WORD wType, the key
    // L"VS_VERSION_INFO" with its terminator, padding to a 32-bit boundary,
    // then the VS_FIXEDFILEINFO.
    static constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
    constexpr std::size_t kKeyOffset = 3 * sizeof(WORD);
    constexpr std::size_t kValueOffset = (kKeyOffset + sizeof kKey + 3) / 4 * 4;
    if (versionInfo == nullptr || size < kValueOffset) return {};
    const auto* bytes = static_cast<const unsigned char*>(versionInfo);
    WORD header[3];
    std::memcpy(header, bytes, sizeof header);
    const std::size_t length = header[0] < size ? header[0] : size;
    if (std::memcmp(bytes + kKeyOffset, kKey, sizeof kKey) != 0) return {};
    if (header[1] < sizeof(VS_FIXEDFILEINFO) || length < kValueOffset + sizeof(VS_FIXEDFILEINFO)) return {};
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes + kValueOffset, sizeof fixed);
    if (fixed.dwSignature != 0xFEEF04BD) return {};

    std::wstring suffix = L" - ";
    AppendDecimal(suffix, HIWORD(fixed.dwFileVersionMS));
    suffix += L'.';
    AppendDecimal(suffix, LOWORD(fixed.dwFileVersionMS));
    suffix += L'.';
    AppendDecimal(suffix, LOWORD(fixed.dwFileVersionLS));
    return suffix;
}

int RunForm1(HINSTANCE instance, int showCommand) {
    Form1_Initialize();
    if (!RegisterForm1Class(instance)) return 1;
    HWND form = CreateForm1(instance);
    if (form == nullptr) {
        MessageBoxW(nullptr, L"The window could not be created.", kForm1InitialTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
    Form1_Load(form);
    CentreOnScreen(form);
    ShowWindow(form, showCommand);
    UpdateWindow(form);
    SetFocus(GetDlgItem(form, kText1Id));
    return MessageLoop(form);
}

}  // namespace pelvaro
