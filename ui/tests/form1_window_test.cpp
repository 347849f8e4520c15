// Pelvaro.exe seen from outside: each test starts the program, finds its
// window and checks it through messages and the screen's pixels.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "form1.h"
#include "form1_process.h"
#include "pelvaro/text_services.h"

namespace pelvaro::testing {
namespace {

constexpr wchar_t kTitle[] = L"Work out your MSN Messenger 6 id number - 1.0.1";
constexpr wchar_t kCredits[] =
    L"This program has been made by Tolvareth\r\nThe main code has been provided by Quenmar";

std::string Narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) {
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else {
            char escaped[12];
            wsprintfA(escaped, "\\u%04X", static_cast<unsigned>(c));
            result += escaped;
        }
    }
    return result;
}

// Wine's ntdll exports wine_get_version; Windows' does not.
bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int ScreenDpiX() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// What the program should show for a text: h = h * 101 + code over the codes
// of its lower-cased units in the system code page, worked out here apart
// from the engine's adder, with the machine's own wrap-around arithmetic.
std::wstring ExpectedIdText(const std::wstring& text) {
    const TextServices services = TextServices::SystemAnsi();
    std::uint32_t h = 0;
    for (const wchar_t unit : text) {
        const std::int32_t code = services.AnsiCode(services.LowerUnit(static_cast<char16_t>(unit)));
        h = h * 101u + static_cast<std::uint32_t>(code);
    }
    return std::to_wstring(h);
}

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program_.Start())
            << "Pelvaro.exe did not start or show its window: " << Narrow(program_.StartFailure());
    }

    HWND Form() const { return program_.Form(); }
    HWND Control(int id) const { return program_.Control(id); }

    void SetText1(const std::wstring& text) {
        SendMessageW(Control(kText1Id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    // Presses "Work out" and returns what Text2 then shows.
    std::wstring WorkOut(const std::wstring& text) {
        SetText1(text);
        SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
        return TextOf(Control(kText2Id));
    }

    // Posts a key press to a control, as the keyboard would deliver it: through
    // the program's message loop.
    void PostKey(HWND control, WPARAM key) {
        PostMessageW(control, WM_KEYDOWN, key, 1);
        PostMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }

    // Clicks "About" the way the label reports a click.
    void ClickAbout() {
        PostMessageW(Form(), WM_COMMAND, MAKEWPARAM(kLabel3Id, STN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(kLabel3Id)));
    }

    HWND WaitForAboutBox() {
        HWND box = nullptr;
        WaitUntil([&] { return (box = program_.OwnedWindow()) != nullptr; });
        return box;
    }

    Form1Process program_;
};

// ---- Start-up ----------------------------------------------------------------

TEST(Form1Start, AFailedStartSaysWhichStepFailedAndWhy) {
    Form1Process missing;
    EXPECT_FALSE(missing.Start(L"Z:\\no such folder\\Pelvaro.exe"));
    const std::string said = Narrow(missing.StartFailure());
    EXPECT_NE(said.find("CreateProcessW failed: error "), std::string::npos) << said;
    EXPECT_NE(said.find("no such folder"), std::string::npos) << "names the program: " << said;
    EXPECT_TRUE(said.find("error 2: ") != std::string::npos || said.find("error 3: ") != std::string::npos)
        << "file or path not found, with the system's text: " << said;
}

TEST_F(Form1Test, TitleCarriesTheVersionFromTheFirstMomentItIsShown) {
    EXPECT_EQ(Narrow(program_.FirstVisibleTitle()), Narrow(kTitle))
        << "the title the window had as it was first shown (empty: form1_show_hook.dll recorded nothing)";
    wchar_t title[256] = {};
    GetWindowTextW(Form(), title, 256);
    EXPECT_EQ(Narrow(title), Narrow(kTitle));
}

TEST_F(Form1Test, FixedFrameWithCloseBoxOnly) {
    const auto style = static_cast<DWORD>(GetWindowLongW(Form(), GWL_STYLE));
    EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION)) << "a title bar";
    EXPECT_TRUE(style & WS_SYSMENU) << "a system menu and close box";
    EXPECT_FALSE(style & WS_THICKFRAME) << "no sizing border";
    EXPECT_FALSE(style & WS_MINIMIZEBOX) << "no minimize box";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "no maximize box";
    EXPECT_FALSE(style & WS_CHILD);
}

TEST_F(Form1Test, BackgroundIsTheButtonFaceColour) {
    RECT client = {};
    GetClientRect(Form(), &client);
    MapWindowPoints(Form(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    const Pixels shown = CaptureScreen(client);
    ASSERT_GT(shown.width, 4);
    ASSERT_GT(shown.height, 4);
    // Corners and the strip below the second row hold no control.
    const POINT empty[] = {{1, 1},
                           {shown.width - 2, 1},
                           {1, shown.height - 2},
                           {shown.width - 2, shown.height - 2},
                           {shown.width / 4, shown.height - 2}};
    for (const POINT& at : empty) {
        EXPECT_EQ(shown.At(at.x, at.y), GetSysColor(COLOR_BTNFACE))
            << "background at (" << at.x << ", " << at.y << ") is COLOR_BTNFACE";
    }
}

// The three checks that skip under Wine say so in these words.
constexpr char kWindowsOnly[] = "runs on Windows only: ";

TEST_F(Form1Test, ClassIconIsTheProgramIcon) {
    const ULONG_PTR large = GetClassLongPtrW(Form(), GCLP_HICON);
    const ULONG_PTR small = GetClassLongPtrW(Form(), GCLP_HICONSM);
    if (large == 0 && small == 0 && RunningUnderWine()) {
        GTEST_SKIP() << kWindowsOnly
                     << "Wine does not read the class fields of another process's window "
                        "(the X test checks the icon Wine gives the X window instead)";
    }
    EXPECT_NE(large, 0u) << "large class icon from icon group 1";
    EXPECT_NE(small, 0u) << "small class icon from icon group 1";
}

TEST_F(Form1Test, ClientAreaIs6000By855Twips) {
    RECT client = {};
    GetClientRect(Form(), &client);
    EXPECT_EQ(client.right, MulDiv(6000, ScreenDpiX(), 1440)) << "400 pixels at 96 dpi";
    EXPECT_EQ(client.bottom, MulDiv(855, ScreenDpiY(), 1440)) << "57 pixels at 96 dpi";
}

TEST_F(Form1Test, CentredOnTheScreen) {
    RECT window = {};
    GetWindowRect(Form(), &window);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(window.left, screenWidth - window.right, 1) << "as much room left as right";
    EXPECT_NEAR(window.top, screenHeight - window.bottom, 1) << "as much room above as below";
}

TEST_F(Form1Test, FocusInText1AndBothBoxesEmpty) {
    EXPECT_EQ(program_.Focus(), Control(kText1Id)) << "Text1 has the focus at start";
    EXPECT_EQ(Narrow(TextOf(Control(kText1Id))), "");
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "");
}

// ---- The window description -----------------------------------------------

struct ExpectedControl {
    const char* name;
    int id;
    const wchar_t* className;
    const wchar_t* text;
    int left, top, width, height;  // twips
    DWORD styleBits;               // must be set
    DWORD absentBits;              // must be clear
    DWORD exStyleBits;
};

constexpr DWORD kStaticType = SS_TYPEMASK;
const ExpectedControl kExpected[] = {
    {"Label1", kLabel1Id, L"Static", L"Your passport email:", 120, 120, 1455, 255, 0,
     kStaticType | WS_TABSTOP | SS_NOTIFY, 0},
    {"Text1", kText1Id, L"Edit", L"", 1680, 120, 3015, 285, ES_AUTOHSCROLL | WS_TABSTOP,
     ES_MULTILINE | ES_READONLY | ES_RIGHT | ES_CENTER | ES_UPPERCASE | ES_LOWERCASE, WS_EX_CLIENTEDGE},
    {"Command1", kCommand1Id, L"Button", L"Work out", 4800, 360, 1095, 375, WS_TABSTOP, BS_TYPEMASK, 0},
    {"Label2", kLabel2Id, L"Static", L"Your MSN Messenger 6 id number:", 120, 480, 2535, 255, 0,
     kStaticType | WS_TABSTOP | SS_NOTIFY, 0},
    {"Text2", kText2Id, L"Edit", L"", 2760, 480, 1935, 285,
     ES_READONLY | ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP, ES_MULTILINE, WS_EX_CLIENTEDGE},
    {"Label3", kLabel3Id, L"Static", L"About", 4800, 120, 1095, 255, SS_CENTER | SS_NOTIFY, WS_TABSTOP, 0},
};

TEST_F(Form1Test, ControlsInCreationOrderWithTheirClassTextAndRectangle) {
    const int dpiX = ScreenDpiX();
    const int dpiY = ScreenDpiY();
    HWND child = GetWindow(Form(), GW_CHILD);
    for (const ExpectedControl& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        ASSERT_NE(child, nullptr) << "a control for each row of the table, in creation order";
        EXPECT_EQ(GetDlgCtrlID(child), expected.id)
            << "created in the order Label1, Text1, Command1, Label2, "
               "Text2, Label3";
        EXPECT_EQ(lstrcmpiW(ClassOf(child).c_str(), expected.className), 0)
            << "class " << Narrow(ClassOf(child)) << ", expected " << Narrow(expected.className);
        EXPECT_EQ(Narrow(TextOf(child)), Narrow(expected.text));
        EXPECT_TRUE(IsWindowVisible(child));
        EXPECT_TRUE(IsWindowEnabled(child));
        const RECT rect = RectInParent(child);
        EXPECT_EQ(rect.left, MulDiv(expected.left, dpiX, 1440)) << "left";
        EXPECT_EQ(rect.top, MulDiv(expected.top, dpiY, 1440)) << "top";
        EXPECT_EQ(rect.right - rect.left, MulDiv(expected.width, dpiX, 1440)) << "width";
        EXPECT_EQ(rect.bottom - rect.top, MulDiv(expected.height, dpiY, 1440)) << "height";
        const auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE));
        EXPECT_EQ(style & expected.styleBits, expected.styleBits) << std::hex << "style " << style;
        EXPECT_EQ(style & expected.absentBits, 0u) << std::hex << "style " << style;
        EXPECT_EQ(exStyle & expected.exStyleBits, expected.exStyleBits)
            << std::hex << "extended style " << exStyle;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no controls beyond the six";
}

TEST_F(Form1Test, NothingIsClippedAndTheButtonCoversTheAboutLink) {
    RECT client = {};
    GetClientRect(Form(), &client);
    const RECT button = RectInParent(Control(kCommand1Id));
    const RECT about = RectInParent(Control(kLabel3Id));
    EXPECT_LE(button.bottom, client.bottom) << "the button's bottom edge is inside the client area";
    EXPECT_EQ(RectInParent(Control(kText1Id)).right, RectInParent(Control(kText2Id)).right)
        << "Text1 and Text2 end at the same right edge";
    EXPECT_EQ(about.left, button.left) << "About spans the button's columns";
    EXPECT_EQ(about.right, button.right) << "About spans the button's columns";
    const POINT overlap = {(button.left + button.right) / 2, button.top};
    ASSERT_LT(overlap.y, about.bottom) << "the label and the button overlap by a row";
    EXPECT_EQ(ChildWindowFromPointEx(Form(), overlap, CWP_SKIPINVISIBLE), Control(kCommand1Id))
        << "the button lies above the label in the shared row";
}

TEST_F(Form1Test, Text1TakesFarMoreThanAnyAddress) {
    const auto limit =
        static_cast<unsigned long long>(SendMessageW(Control(kText1Id), EM_GETLIMITTEXT, 0, 0));
    if (sizeof(void*) == 4) {
        // Short of what a 32-bit window can lay out safely (see the long paste).
        EXPECT_GE(limit, 1ull << 23) << "8 MiB at least, far beyond any e-mail address";
    } else {
        EXPECT_GE(limit, 0x7FFFFFFEull) << "the largest limit an edit box has";
    }
}

TEST_F(Form1Test, TabCyclesText1Command1Text2) {
    HWND text1 = Control(kText1Id);
    HWND command1 = Control(kCommand1Id);
    HWND text2 = Control(kText2Id);
    EXPECT_EQ(GetNextDlgTabItem(Form(), text1, FALSE), command1);
    EXPECT_EQ(GetNextDlgTabItem(Form(), command1, FALSE), text2);
    EXPECT_EQ(GetNextDlgTabItem(Form(), text2, FALSE), text1);
    EXPECT_EQ(GetNextDlgTabItem(Form(), text1, TRUE), text2) << "backwards";

    // The Tab key itself, through the program's message loop.
    const HWND order[] = {command1, text2, text1};
    for (HWND next : order) {
        PostKey(program_.Focus(), VK_TAB);
        program_.Sync();
        EXPECT_EQ(program_.Focus(), next) << "focus after Tab";
    }
}

TEST_F(Form1Test, OneFontForTheControlsAndAnotherForTheLink) {
    const auto font = SendMessageW(Control(kText1Id), WM_GETFONT, 0, 0);
    if (font == 0 && RunningUnderWine()) {
        GTEST_SKIP() << kWindowsOnly
                     << "Wine answers WM_GETFONT from another process with 0 "
                        "(the fonts are checked by their pixels instead)";
    }
    EXPECT_NE(font, 0) << "Text1 was given a font";
    for (int id : {kLabel1Id, kCommand1Id, kLabel2Id, kText2Id}) {
        EXPECT_EQ(SendMessageW(Control(id), WM_GETFONT, 0, 0), font)
            << "control " << id << " shares Text1's font";
    }
    const auto linkFont = SendMessageW(Control(kLabel3Id), WM_GETFONT, 0, 0);
    EXPECT_NE(linkFont, 0) << "Label3 was given a font";
    EXPECT_NE(linkFont, font) << "Label3 has a font of its own";
}

// ---- Fonts and colours, by pixels -------------------------------------------------

HFONT MsSansSerif(bool underlined) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(825, ScreenDpiY(), 7200);
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = underlined ? TRUE : FALSE;
    font.lfCharSet = underlined ? ANSI_CHARSET : DEFAULT_CHARSET;
    lstrcpyW(font.lfFaceName, L"MS Sans Serif");
    return CreateFontIndirectW(&font);
}

// Which pixels differ from the window's background.
std::vector<bool> Ink(const Pixels& pixels) {
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    std::vector<bool> ink;
    for (COLORREF colour : pixels.colours) ink.push_back(colour != background);
    return ink;
}

// A label's text as a static control draws it, here in this process.
Pixels Reference(const wchar_t* text, int width, int height, bool underlined, UINT alignment) {
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC memory = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HFONT font = MsSansSerif(underlined);
    HGDIOBJ oldFont = SelectObject(memory, font);
    RECT rect = {0, 0, width, height};
    FillRect(memory, &rect, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(memory, text, -1, &rect, alignment | DT_EXPANDTABS | DT_WORDBREAK);
    GdiFlush();
    const auto* raw = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const std::uint32_t bgra = raw[i];
        pixels.colours.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    }
    SelectObject(memory, oldFont);
    DeleteObject(font);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

RECT ScreenRectOf(HWND control) {
    RECT rect = {};
    GetClientRect(control, &rect);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Compares the ink of the label on screen with the reference, skipping the
// rows from skipFrom on (covered by a sibling).
void ExpectDrawnLike(HWND label, const wchar_t* text, bool underlined, UINT alignment, int skipFrom) {
    const RECT rect = ScreenRectOf(label);
    const Pixels shown = CaptureScreen(rect);
    const Pixels reference = Reference(text, shown.width, shown.height, underlined, alignment);
    const std::vector<bool> shownInk = Ink(shown);
    const std::vector<bool> referenceInk = Ink(reference);
    int differing = 0;
    int inked = 0;
    for (int y = 0; y < shown.height && y < skipFrom; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const auto i = static_cast<std::size_t>(y * shown.width + x);
            inked += referenceInk[i] ? 1 : 0;
            differing += shownInk[i] != referenceInk[i] ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 0) << "the reference text has ink";
    EXPECT_EQ(differing, 0) << "pixels where the label's ink differs from \"" << Narrow(text)
                            << "\" drawn in MS Sans Serif 8.25 pt" << (underlined ? ", underlined" : "");
}

TEST_F(Form1Test, LabelsAreDrawnInMsSansSerif) {
    {
        SCOPED_TRACE("Label1");
        ExpectDrawnLike(Control(kLabel1Id), L"Your passport email:", false, DT_LEFT, 1 << 30);
    }
    {
        SCOPED_TRACE("Label2");
        ExpectDrawnLike(Control(kLabel2Id), L"Your MSN Messenger 6 id number:", false, DT_LEFT, 1 << 30);
    }
}

// A caption too wide for its box wraps, and the top of its second line shows
// at the foot of the 17-pixel box: ink below the first line's height. With
// the bitmap "MS Sans Serif" both captions fit on one line; a wider stand-in
// face makes them wrap.
TEST_F(Form1Test, CaptionsFitTheirBoxesOnOneLine) {
    HDC screen = GetDC(nullptr);
    HFONT font = MsSansSerif(false);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    ASSERT_GT(metrics.tmHeight, 0);
    for (const int id : {kLabel1Id, kLabel2Id}) {
        const Pixels shown = CaptureScreen(ScreenRectOf(Control(id)));
        const std::vector<bool> ink = Ink(shown);
        int lowest = -1;
        for (int i = 0; i < shown.width * shown.height; ++i)
            if (ink[static_cast<std::size_t>(i)]) lowest = i / shown.width;
        EXPECT_GE(lowest, 0) << Narrow(TextOf(Control(id))) << " has ink";
        EXPECT_LT(lowest, metrics.tmHeight)
            << "\"" << Narrow(TextOf(Control(id))) << "\" has ink on row " << lowest << " of its "
            << shown.height << "-pixel box, below one line of " << metrics.tmHeight
            << " pixels: it wraps onto a second line";
    }
}

TEST_F(Form1Test, AboutIsABlueUnderlinedCentredLink) {
    const RECT label = RectInParent(Control(kLabel3Id));
    const RECT button = RectInParent(Control(kCommand1Id));
    const int uncovered = button.top - label.top;
    ExpectDrawnLike(Control(kLabel3Id), L"About", true, DT_CENTER, uncovered);

    const Pixels shown = CaptureScreen(ScreenRectOf(Control(kLabel3Id)));
    const std::vector<bool> ink = Ink(shown);
    int inked = 0;
    int notBlue = 0;
    int left = shown.width;
    int right = -1;
    for (int y = 0; y < uncovered; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            if (!ink[static_cast<std::size_t>(y * shown.width + x)]) continue;
            ++inked;
            notBlue += shown.At(x, y) != RGB(0, 0, 255) ? 1 : 0;
            left = x < left ? x : left;
            right = x > right ? x : right;
        }
    }
    EXPECT_GT(inked, 0) << "\"About\" has ink";
    EXPECT_EQ(notBlue, 0) << "every pixel of \"About\" is pure blue, RGB(0, 0, 255)";
    bool underline = false;
    for (int y = 0; y < uncovered && !underline; ++y) {
        int run = 0;
        for (int x = left; x <= right; ++x)
            run = ink[static_cast<std::size_t>(y * shown.width + x)] ? run + 1 : 0;
        underline = run == right - left + 1;
    }
    EXPECT_TRUE(underline) << "a row inked from the first column of \"About\" to its last";
    EXPECT_NEAR(left, shown.width - 1 - right, 1) << "\"About\" is centred in its box";
}

TEST_F(Form1Test, OtherLabelsAreNotBlue) {
    const Pixels shown = CaptureScreen(ScreenRectOf(Control(kLabel1Id)));
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    int inked = 0;
    int other = 0;
    for (COLORREF colour : shown.colours) {
        if (colour == GetSysColor(COLOR_BTNFACE)) continue;
        ++inked;
        other += colour != text ? 1 : 0;
    }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(other, 0) << "Label1 is drawn in the window text colour";
}

TEST_F(Form1Test, PointerOverAboutIsTheUpArrow) {
    // Windows shares its system cursors between processes, so the handle the
    // program sets is the one this process loads; Wine loads a copy in each.
    const RECT label = ScreenRectOf(Control(kLabel3Id));
    const RECT label1 = ScreenRectOf(Control(kLabel1Id));
    ASSERT_TRUE(SetCursorPos((label.left + label.right) / 2, label.top + 4));
    program_.Sync();
    CURSORINFO overLabel = {};
    overLabel.cbSize = sizeof overLabel;
    ASSERT_TRUE(GetCursorInfo(&overLabel));
    ASSERT_TRUE(SetCursorPos((label1.left + label1.right) / 2, label1.top + 4));
    program_.Sync();
    CURSORINFO overLabel1 = {};
    overLabel1.cbSize = sizeof overLabel1;
    ASSERT_TRUE(GetCursorInfo(&overLabel1));
    EXPECT_NE(overLabel.hCursor, overLabel1.hCursor)
        << "the pointer over About differs from the arrow over Label1, a static of the same class";
    const HCURSOR upArrow = LoadCursorW(nullptr, IDC_UPARROW);
    if (overLabel.hCursor != upArrow && RunningUnderWine()) {
        GTEST_SKIP() << kWindowsOnly << "Wine's system cursors are not shared between processes";
    }
    EXPECT_EQ(overLabel.hCursor, upArrow) << "the up arrow over About";
}

// ---- Work out -------------------------------------------------------------------

TEST_F(Form1Test, WorkOutShowsTheKnownIdNumbers) {
    EXPECT_EQ(Narrow(WorkOut(L"")), "0") << "an empty box";
    EXPECT_EQ(Narrow(WorkOut(L"ABC")), "999494");
    EXPECT_EQ(Narrow(TextOf(Control(kText1Id))), "ABC") << "Text1 is not lower-cased on screen";
    EXPECT_EQ(Narrow(WorkOut(L"abc")), "999494");
    EXPECT_EQ(Narrow(WorkOut(L"hello")), "2337520240") << "above 2147483647, shown unsigned";
    EXPECT_EQ(Narrow(WorkOut(L" abc")), "33969126") << "a space in front counts";
    EXPECT_EQ(Narrow(WorkOut(L"abc ")), "100948926") << "a space behind counts";
    EXPECT_EQ(Narrow(WorkOut(L"Someone@Example.com")), Narrow(ExpectedIdText(L"someone@example.com")));
}

TEST_F(Form1Test, WorkOutBeyondAscii) {
    const std::wstring texts[] = {
        L"Jos\u00C9@example.es",           // in code page 1252
        L"\u0416\u0443\u043A@mail.ru",     // outside code page 1252
        L"smile\xD83D\xDE00@example.com",  // a surrogate pair
        L"\u00DF\u4E2D\u20AC",
    };
    for (const std::wstring& text : texts) {
        EXPECT_EQ(Narrow(WorkOut(text)), Narrow(ExpectedIdText(text))) << "for " << Narrow(text);
        EXPECT_EQ(Narrow(TextOf(Control(kText1Id))), Narrow(text)) << "Text1 keeps the text";
    }
}

TEST_F(Form1Test, WorkOutOnAHundredThousandCharacters) {
    std::wstring text;
    for (int i = 0; text.size() < 100000; ++i) text += static_cast<wchar_t>(L'A' + i % 26);
    text.resize(100000);
    EXPECT_EQ(Narrow(WorkOut(text)), Narrow(ExpectedIdText(text)));
    EXPECT_EQ(SendMessageW(Control(kText1Id), WM_GETTEXTLENGTH, 0, 0), 100000)
        << "Text1 holds the whole text";
}

// Puts text on the clipboard, as a person copying it elsewhere does.
bool PlaceOnClipboard(const std::wstring& text) {
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return false;
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) GlobalFree(memory);
    return placed;
}

// size characters of addresses one after another, as a pasted list might be.
std::wstring Addresses(std::size_t size) {
    std::wstring text;
    for (int i = 0; text.size() < size; ++i) text += L"Some.Person+" + std::to_wstring(i) + L"@Example.COM;";
    text.resize(size);
    return text;
}

TEST_F(Form1Test, WorkOutOnAMebibytePaste) {
    const std::wstring text = Addresses(1u << 20);
    ASSERT_TRUE(PlaceOnClipboard(text)) << "the text is on the clipboard";
    SendMessageW(Control(kText1Id), WM_PASTE, 0, 0);
    ASSERT_EQ(SendMessageW(Control(kText1Id), WM_GETTEXTLENGTH, 0, 0), 1 << 20)
        << "Text1 holds the whole paste";

    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), Narrow(ExpectedIdText(text)))
        << "the id number of the paste";

    // The window is still usable: a short address typed over the paste works out.
    SendMessageW(Control(kText1Id), EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"ABC")) PostMessageW(Control(kText1Id), WM_CHAR, c, 1);
    program_.Sync();
    EXPECT_EQ(Narrow(TextOf(Control(kText1Id))), "ABC") << "typing replaced the selected paste";
    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "999494");
}

// The first characters of a window's text, at most count of them.
std::wstring TextStartOf(HWND window, std::size_t count) {
    std::wstring text(count + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

constexpr std::size_t kTextStartRead = 65536;  // characters read back from a long text

// A paste just past what the 32-bit window's box takes, posted as Ctrl+V
// delivers it: through the program's message loop. The 32-bit box cuts it
// short at its limit, as it would one of 45 MiB, which ended the window
// inside the edit box before the limit was set; the 64-bit box, whose limit
// is the largest, takes it whole. Either way the window goes on working.
TEST_F(Form1Test, PasteBeyondWhatText1TakesLeavesTheWindowWorking) {
    const std::wstring text = Addresses((std::size_t{8} << 20) + (std::size_t{1} << 20));
    ASSERT_TRUE(PlaceOnClipboard(text)) << "the text is on the clipboard";
    PostMessageW(Control(kText1Id), WM_PASTE, 0, 0);
    program_.Sync();
    ASSERT_EQ(WaitForSingleObject(program_.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program is still running after the paste";

    const auto limit = static_cast<std::size_t>(SendMessageW(Control(kText1Id), EM_GETLIMITTEXT, 0, 0));
    const auto length = static_cast<std::size_t>(SendMessageW(Control(kText1Id), WM_GETTEXTLENGTH, 0, 0));
    EXPECT_EQ(length, text.size() < limit ? text.size() : limit) << "Text1 holds the paste up to its limit";
    if (sizeof(void*) == 4) {
        EXPECT_LT(length, text.size()) << "a 32-bit window cuts short a paste it cannot lay out safely";
    }
    // Wine 10 never answers a WM_GETTEXT from another process that would carry
    // tens of megabytes, so the test reads only the start of the text; the id
    // number below covers every character.
    const std::wstring start = TextStartOf(Control(kText1Id), kTextStartRead);
    EXPECT_TRUE(text.compare(0, start.size(), start) == 0 && start.size() == std::min(length, kTextStartRead))
        << "what Text1 holds is the start of the paste";
    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), Narrow(ExpectedIdText(text.substr(0, length))))
        << "the id number of what Text1 holds";
    EXPECT_EQ(program_.Close(), 0u) << "the window closes normally";
}

TEST_F(Form1Test, Text2KeepsItsResultUntilWorkOutIsPressedAgain) {
    ASSERT_EQ(Narrow(WorkOut(L"hello")), "2337520240");
    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "2337520240") << "pressed twice, the same number";

    SendMessageW(Control(kText1Id), EM_SETSEL, 5, 5);  // the caret at the end
    for (wchar_t c : std::wstring(L"xyz")) PostMessageW(Control(kText1Id), WM_CHAR, c, 1);
    program_.Sync();
    EXPECT_EQ(Narrow(TextOf(Control(kText1Id))), "helloxyz") << "typed into Text1";
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "2337520240") << "editing Text1 leaves Text2 as it was";

    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), Narrow(ExpectedIdText(L"helloxyz")));
}

TEST_F(Form1Test, Text2IsReadOnly) {
    ASSERT_EQ(Narrow(WorkOut(L"abc")), "999494");
    PostMessageW(Control(kText2Id), WM_CHAR, L'7', 1);
    program_.Sync();
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "999494") << "typing into Text2 changes nothing";
}

TEST_F(Form1Test, EnterAndEscPressNoButton) {
    SetText1(L"abc");
    PostKey(Control(kText1Id), VK_RETURN);
    PostKey(Control(kText1Id), VK_ESCAPE);
    program_.Sync();
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "") << "Enter in Text1 works nothing out";
    EXPECT_TRUE(IsWindow(Form())) << "Esc does not close the window";
    EXPECT_EQ(program_.OwnedWindow(), nullptr) << "no box opened";

    // With the focus on the button itself, Enter still does not press it.
    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    ASSERT_EQ(program_.Focus(), Control(kCommand1Id)) << "the click leaves the focus on the button";
    SetText1(L"hello");
    PostKey(Control(kCommand1Id), VK_RETURN);
    PostKey(Control(kCommand1Id), VK_ESCAPE);
    program_.Sync();
    EXPECT_EQ(Narrow(TextOf(Control(kText2Id))), "999494") << "Enter on the button works nothing out";
    EXPECT_TRUE(IsWindow(Form()));
}

// ---- About ----------------------------------------------------------------------

struct BoxParts {
    std::vector<HWND> buttons;  // visible ones
    std::vector<HWND> texts;    // visible statics with text
    std::vector<HWND> icons;    // statics with SS_ICON
};

BOOL CALLBACK CollectBoxPart(HWND child, LPARAM parameter) {
    auto* parts = reinterpret_cast<BoxParts*>(parameter);
    if (IsWindowVisible(child) == FALSE) return TRUE;
    const std::wstring kind = ClassOf(child);
    const auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    if (lstrcmpiW(kind.c_str(), L"Button") == 0) {
        parts->buttons.push_back(child);
    } else if (lstrcmpiW(kind.c_str(), L"Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            parts->icons.push_back(child);
        } else if (!TextOf(child).empty()) {
            parts->texts.push_back(child);
        }
    }
    return TRUE;
}

TEST_F(Form1Test, AboutShowsTheCreditsInAModalBox) {
    ClickAbout();
    HWND box = WaitForAboutBox();
    ASSERT_NE(box, nullptr) << "a box owned by the window opens";
    EXPECT_EQ(Narrow(ClassOf(box)), "#32770") << "a message box";
    EXPECT_EQ(Narrow(TextOf(box)), Narrow(kTitle)) << "titled with the window's title";
    EXPECT_FALSE(IsWindowEnabled(Form())) << "modal: the window is disabled while the box is open";

    BoxParts parts;
    EnumChildWindows(box, CollectBoxPart, reinterpret_cast<LPARAM>(&parts));
    ASSERT_EQ(parts.texts.size(), 1u) << "one text";
    EXPECT_EQ(Narrow(TextOf(parts.texts[0])), Narrow(kCredits));
    ASSERT_EQ(parts.buttons.size(), 1u) << "a single button";
    EXPECT_EQ(Narrow(TextOf(parts.buttons[0])), "OK");
    EXPECT_EQ(GetDlgCtrlID(parts.buttons[0]), IDOK);
    ASSERT_EQ(parts.icons.size(), 1u) << "an icon";
    EXPECT_NE(SendMessageW(parts.icons[0], STM_GETICON, 0, 0), 0) << "the icon static holds an icon";

    // The icon is the information icon: drawn here, it looks the same.
    const RECT iconRect = ScreenRectOf(parts.icons[0]);
    const int size = GetSystemMetrics(SM_CXICON);
    const RECT drawn = {iconRect.left, iconRect.top, iconRect.left + size, iconRect.top + size};
    const Pixels shown = CaptureScreen(drawn);
    Pixels information;
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC memory = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT all = {0, 0, size, size};
        FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
        DrawIconEx(memory, 0, 0, LoadIconW(nullptr, IDI_INFORMATION), size, size, 0, nullptr, DI_NORMAL);
        GdiFlush();
        information.width = information.height = size;
        for (int i = 0; i < size * size; ++i) {
            const std::uint32_t bgra = static_cast<const std::uint32_t*>(bits)[i];
            information.colours.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    int differing = 0;
    for (std::size_t i = 0; i < shown.colours.size(); ++i)
        differing += shown.colours[i] != information.colours[i];
    EXPECT_EQ(differing, 0) << "pixels where the box's icon differs from the information icon";

    // OK closes the box and gives the window back.
    SendMessageW(parts.buttons[0], BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindow(box) == FALSE; })) << "OK closes the box";
    program_.Sync();
    EXPECT_TRUE(IsWindowEnabled(Form())) << "the window takes input again";
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(program_.ThreadId(), &thread);
    EXPECT_EQ(thread.hwndActive, Form()) << "the window is active again";
    EXPECT_EQ(thread.hwndFocus, Control(kText1Id)) << "the focus is back in Text1";
}

TEST_F(Form1Test, AboutReadsTheTitleAtTheTimeOfTheClick) {
    SendMessageW(Form(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"A title set later"));
    ClickAbout();
    HWND box = WaitForAboutBox();
    ASSERT_NE(box, nullptr) << "a box owned by the window opens";
    EXPECT_EQ(Narrow(TextOf(box)), "A title set later");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindow(box) == FALSE; })) << "IDOK closes the box";
}

TEST_F(Form1Test, WorkOutAfterAboutStillWorks) {
    ClickAbout();
    HWND box = WaitForAboutBox();
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindow(box) == FALSE; }));
    EXPECT_EQ(Narrow(WorkOut(L"ABC")), "999494");
}

// ---- Closing ----------------------------------------------------------------------

TEST_F(Form1Test, ClosingTheWindowEndsTheProgramWithStatus0) {
    SetText1(L"hello");
    SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0);
    EXPECT_EQ(program_.Close(), 0u) << "exit status after WM_CLOSE";
}

}  // namespace
}  // namespace pelvaro::testing
